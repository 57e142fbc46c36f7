#!/usr/bin/env bash
# Starts the program on the bundled sample drawing.
set -euo pipefail
dir=${1:-build/run}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -x "$dir/app/Kalvex" ]; then
  exec "$dir/app/Kalvex" "$root/samples/sample.hpg"
fi
# Until the program is built here: the sample through the command-line tool.
"$dir/cli/kalvex-cli" convert "$root/samples/sample.hpg" "$dir/sample-out.dxf"
exec "$dir/cli/kalvex-cli" info "$dir/sample-out.dxf"
