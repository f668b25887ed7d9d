#!/usr/bin/env bash
# Installs the Debian packages the engine, its demo and its tests need
# (--tests, with Clang for the second build), or its tests and benchmarks
# (--bench); packages already installed are skipped, so a second run costs
# nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libsdl2-mixer-dev libjansson-dev liblua5.1-0-dev libglew-dev libglu1-mesa-dev
  libfreetype-dev libdevil-dev
  xvfb xauth xdotool libgl1-mesa-dri fonts-dejavu-core
)
if [ "${1:-}" = "--tests" ] || [ "${1:-}" = "--bench" ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev x11-apps)
fi
# The tests build with Clang as well; a message box is drawn in the X server's
# own fonts, which Xvfb alone lacks, and a test finds it by its title with
# xwininfo.
if [ "${1:-}" = "--tests" ]; then
  packages+=(clang xfonts-base x11-utils)
fi
# The physics benchmarks step Box2D beside the engine; nothing else needs it.
# The test build compiles them with it and without, as a machine without it
# builds them.
if [ "${1:-}" = "--tests" ] || [ "${1:-}" = "--bench" ]; then
  packages+=(libbox2d-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
