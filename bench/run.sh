#!/usr/bin/env bash
# The benchmark: builds the release binary, then runs it on made-up wards of
# 1,000 to 100,000 members (best of three runs each) and on the four hard
# shapes at 200,000 rows, printing wall time, peak memory and the
# input-output floor of each run. Extra arguments go to rollbook_bench run
# (for example --sizes 1000,10000 --shapes 50000 --runs 1).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
build-release/bench/rollbook_bench run --exe build-release/rollbook "$@"
