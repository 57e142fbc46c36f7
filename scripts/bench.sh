#!/usr/bin/env bash
# Runs every benchmark program of a Release build, one after another.
set -euo pipefail
dir=${1:-build/release}
status=0
for b in "$dir"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true || status=1
done
exit $status
