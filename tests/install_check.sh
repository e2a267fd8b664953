#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a clerk gets: the
# program answers --version and --help, runs the sample exports, and its
# manual page renders with man without warnings and names every report file
# the sample runs write.
#   install_check.sh BUILD_DIR EXAMPLES_DIR
set -euo pipefail
build="$1"
examples="$2"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_check: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
exe="$prefix/bin/rollbook"
page="$prefix/share/man/man1/rollbook.1"
[ -x "$exe" ] || fail "no program at $exe"
[ -f "$page" ] || fail "no manual page at $page"

[ "$("$exe" --version)" = "rollbook - version 1.11" ] || fail "--version"
"$exe" --help | grep -q "man rollbook" || fail "--help does not name the manual"

if ! command -v man >/dev/null; then
  [ -z "${ROLLBOOK_REQUIRE_MAN:-}" ] || fail "man is not installed"
  echo "install_check: no man here; the manual page was not rendered"
  exit 0
fi
rendered="$(MANWIDTH=80 man --warnings -l "$page" 2>"$prefix/warnings")"
[ ! -s "$prefix/warnings" ] || fail "man warns: $(cat "$prefix/warnings")"

# Every file the sample runs write is named in the page.
for example in "$examples"/*/; do
  run="$prefix/run-$(basename "$example")"
  cp -r "$example" "$run"
  (cd "$run" && ROLLBOOK_TODAY=2026-06-15 "$exe" >/dev/null 2>&1) || fail "the sample $(basename "$example") did not run"
  for f in "$run"/*; do
    name="$(basename "$f")"
    [ -e "$example/$name" ] && continue
    grep -qF -- "$name" <<<"$rendered" || fail "the manual page does not name $name"
  done
done
echo "install_check: installed, runs, and the manual names every report"
