#!/usr/bin/env bash
# The benchmark: builds the release binary, then runs it on made-up wards of
# 600 to 100,000 members and on the four hard shapes at 200,000 rows. For each
# size it prints the median wall time of three runs, the input-output floor
# (median of three passes right after those runs), the time as a multiple of
# the floor, the peak memory and its multiple of the input bytes, and the
# growth per doubling of the size (median over interleaved pairs of runs with
# the largest size of at most half as many members); for each shape its
# median time and its ratio to the 100,000-member ward. It ends with a verdict
# against the targets (informational: the exit status is 1 only when a run of
# the program failed). Extra arguments go to rollbook_bench run (for example
# --sizes 1000,10000 --shapes 50000 --runs 1).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
build-release/bench/rollbook_bench run --exe build-release/rollbook "$@"
