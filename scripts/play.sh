#!/usr/bin/env bash
# Builds Vexmoor (build/) and starts the game from the build directory.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
ROOT=$(pwd)

PACKAGES=(cmake g++ make libsfml-dev googletest libgtest-dev libbenchmark-dev fonts-dejavu-core)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$ROOT/build" -j"${VX_JOBS:-8}"
cd "$ROOT/build"
if [ ! -x ./vexmoor ]; then
  echo "play.sh: build/vexmoor was not built" >&2
  exit 1
fi
exec ./vexmoor
