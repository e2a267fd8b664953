#!/usr/bin/env bash
# Screenshots of the sample ward's HTML pages in headless Chromium, for a
# developer to look at by hand: builds, runs rollbook on examples/ward in a
# temporary folder and writes one PNG per page into the folder given (default
# /tmp/rollbook-shots).
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
out="${1:-/tmp/rollbook-shots}"
browser="$(command -v chromium || command -v chromium-browser || true)"
[ -n "$browser" ] || { echo "no Chromium found (apt-get install chromium)" >&2; exit 1; }

cmake --preset default >/dev/null -S "$top" && cmake --build --preset default -j2 >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$top/examples/ward" "$work/run"
(cd "$work/run" && ROLLBOOK_TODAY="${ROLLBOOK_TODAY:-2026-06-15}" "$top/build/rollbook" >/dev/null 2>&1)

mkdir -p "$out"
for page in "$work"/run/*.html; do
  name="$(basename "$page" .html)"
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --window-size=1024,1400 \
    --screenshot="$out/$name.png" "file://$page" 2>/dev/null
  echo "$out/$name.png"
done
