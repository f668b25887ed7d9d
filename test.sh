#!/usr/bin/env bash
# Installs what is missing, builds the engine and its tests with AddressSanitizer
# and UndefinedBehaviorSanitizer, starts an X server and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh" --tests
build="$root/build/asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_TESTS=ON >/dev/null
cmake --build "$build"

# The program needs a real X server for its GL context: one Xvfb per run, on
# a display number it picks itself and writes to fd 3 once it is ready. The
# tests connect one after another; a server that reset each time its last
# client left would drop a connection made in that moment.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 200); do
  grep -qx '[0-9]\+' "$display_file" && break
  sleep 0.05
done
grep -qx '[0-9]\+' "$display_file" || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(cat "$display_file")"

export DISPLAY="$display"
export ORV_HEADLESS=1
export SDL_AUDIODRIVER=dummy
# Loaded libraries stay loaded to the end of a test run; the leak check's walk of
# the GL driver's per-thread dynamic storage then races its exiting threads and
# crashes. Without that walk the storage is still found through the heap.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
