#!/usr/bin/env bash
# Build the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and run each for the given number of seconds
# (default 10), seeded with the sample exports and the golden inputs. Every
# file under fuzz/regressions/<target>/ is replayed first. A crash, sanitizer
# report, leak or hang fails the run; its input is kept under
# build-fuzz/artifacts/<target>/ and belongs in fuzz/regressions/<target>/.
#
#   fuzz/run.sh                 every target, 10 s each
#   fuzz/run.sh 1800            every target, 30 minutes each
#   fuzz/run.sh 60 fuzz_aux     one target
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-10}"
shift || true
cd "$top"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc 2>/dev/null || echo 2)" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_wrpcsv fuzz_splitfld fuzz_parse_date fuzz_membership fuzz_mlsdir
  fuzz_webdir fuzz_aux fuzz_orgcsv fuzz_orgtab fuzz_teachcsv fuzz_teachtxt)

# seeds: the input files each target is started from.
seeds() {
  local patterns=()
  case "$1" in
    fuzz_wrpcsv) patterns=('*.csv') ;;
    fuzz_splitfld) patterns=('*.txt') ;;
    fuzz_parse_date) printf '4 Jul 1976' >"$2/d1"; printf '31-Dec-1999' >"$2/d2"; printf '15 Mar' >"$2/d3"
      printf '!ShowZip=y' >"$2/d4"; return ;;
    fuzz_membership) patterns=('Membership.csv') ;;
    fuzz_mlsdir) patterns=('mlsdir.txt') ;;
    fuzz_webdir) patterns=('webdir.csv') ;;
    fuzz_aux) patterns=('mlsaux.txt') ;;
    fuzz_orgcsv) patterns=('Organization.csv' 'WardOrganization.csv') ;;
    fuzz_orgtab) patterns=('mlsorg.txt') ;;
    fuzz_teachcsv) patterns=('HomeTeaching.csv' 'VisitingTeaching.csv') ;;
    fuzz_teachtxt) patterns=('ht.txt' 'vt.txt') ;;
  esac
  local n=0 p f
  for p in "${patterns[@]}"; do
    while IFS= read -r -d '' f; do
      [ -f "$f" ] || continue
      n=$((n + 1))
      cp "$f" "$2/seed$n"
    done < <(find examples tests/golden -name "$p" -not -path '*/expected/*' -print0)
  done
}

status=0
for t in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$t"
  artifacts="build-fuzz/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  seeds "$t" "$corpus"
  exe="build-fuzz/fuzz/$t"
  opts=(-close_fd_mask=3 -rss_limit_mb=2048 -timeout=10 -max_len=16384 "-artifact_prefix=$artifacts/")
  if [ -d "fuzz/regressions/$t" ] && [ -n "$(ls -A "fuzz/regressions/$t")" ]; then
    echo "== $t: replaying fuzz/regressions/$t"
    "$exe" "${opts[@]}" "fuzz/regressions/$t"/* >/dev/null 2>"$artifacts/replay.log" || { cat "$artifacts/replay.log"; status=1; }
  fi
  echo "== $t: fuzzing for $seconds s"
  if ! "$exe" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 "$corpus" >"$artifacts/fuzz.log" 2>&1; then
    tail -40 "$artifacts/fuzz.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units' "$artifacts/fuzz.log" || true
done
exit $status
