#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release and runs each one.
# Every figure is printed beside its baseline, measured in the same run: read
# the ratio, not the absolute times. Arguments go to every benchmark program
# (for example --benchmark_filter=Start).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh" --tests
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_BENCH=ON -DORV_TESTS=OFF >/dev/null
cmake --build "$build"
export ORV_HEADLESS=1 SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# The figures from the real program and the drawing ones need a display.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$@"
fi
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" "$@"
done
