#!/usr/bin/env bash
# Installs what is missing, builds the engine, its tests and benchmarks with GCC
# (AddressSanitizer and UndefinedBehaviorSanitizer) and with Clang, both without
# a warning, starts an X server and runs every test of the GCC build.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh" --tests
build="$root/build/asan"
# The compiler is named where a build folder is first made: named again for a
# folder made before, it would make CMake drop the folder's settings.
CC=gcc CXX=g++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_TESTS=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build"
# Each compiler accepts and warns about what the other may not, so Clang builds
# everything too. Its tests are built but not run, to keep the run short: the
# sources are the same, and the sanitized build runs them. No optimisation and
# no debug information, the quickest build.
clang_build="$root/build/clang"
CC=clang CXX=clang++ cmake -S "$root" -B "$clang_build" -G Ninja -DCMAKE_BUILD_TYPE= -DORV_TESTS=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$clang_build"

# The program needs a real X server for its GL context: one Xvfb per run, on
# a display number it picks itself (see scripts/start-xvfb.sh: on a busy
# machine it is waited for, and started again if it died). The tests connect
# one after another; a server that reset each time its last client left would
# drop a connection made in that moment.
started="$("$root/scripts/start-xvfb.sh")"
read -r display_number xvfb_pid <<<"$started"
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
display=":$display_number"

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
