#!/usr/bin/env bash
# Starts the program on the bundled sample drawing. Without a display it
# says so and renders the sample to a PNG picture instead, printing its path.
set -euo pipefail
dir=${1:-build/run}
root=$(cd "$(dirname "$0")/.." && pwd)
sample="$root/samples/sample.hpg"

have_display() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then return 0; fi
  [ -n "${DISPLAY:-}" ] || return 1
  # A DISPLAY that names no running server is no display either.
  if command -v xdpyinfo >/dev/null 2>&1; then
    xdpyinfo >/dev/null 2>&1
  elif command -v xset >/dev/null 2>&1; then
    xset q >/dev/null 2>&1
  else
    return 0
  fi
}

if [ -n "${QT_QPA_PLATFORM:-}" ] || have_display; then
  exec "$dir/app/Kalvex" "$sample"
fi
out="$(cd "$dir" && pwd)/sample.png"
echo "run: no display (DISPLAY is not set or names no server); rendering the sample instead" >&2
# (Qt notes a missing XDG_RUNTIME_DIR on such machines: not worth a line.)
"$dir/cli/kalvex-cli" render --page "$sample" "$out" 2> >(grep -v XDG_RUNTIME_DIR >&2)
echo "$out"
