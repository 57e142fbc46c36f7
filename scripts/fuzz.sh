#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time, seeded with its regression
# inputs. A crash leaves its input in build/fuzz/crashes/<target>/: add it to
# tests/data/fuzz/<target>/ once fixed.
set -euo pipefail
dir=${1:-build/fuzz}
secs=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for f in "$dir"/fuzz/*_fuzzer; do
  [ -x "$f" ] || continue
  name=$(basename "$f" _fuzzer)
  corpus="$dir/corpus/$name"; crashes="$dir/crashes/$name"
  mkdir -p "$corpus" "$crashes"
  seeds=()
  [ -d "$root/tests/data/fuzz/$name" ] && seeds+=("$root/tests/data/fuzz/$name")
  echo "== $name (${secs}s)"
  "$f" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" || status=1
done
exit $status
