#!/usr/bin/env bash
# Installs what is missing, builds the engine (Release) and runs the demo game.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/release" --target orv
cd "$root/game"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x720x24" "$root/build/release/orv"
fi
exec "$root/build/release/orv"
