#!/usr/bin/env bash
# Starts the program on the bundled sample drawing; until the program exists,
# runs the demonstration of the libraries.
set -euo pipefail
dir=${1:-build/run}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$dir/app/Kalvex" ]; then
  exec "$dir/app/Kalvex" "$root/samples/sample.hpg"
elif [ -x "$dir/cli/kalvex-cli" ] && [ -f "$root/samples/sample.hpg" ]; then
  "$dir/cli/kalvex-cli" convert "$root/samples/sample.hpg" "$dir/sample-out.dxf"
  exec "$dir/cli/kalvex-cli" info "$dir/sample-out.dxf"
else
  exec "$dir/demo/kalvex-demo"
fi
