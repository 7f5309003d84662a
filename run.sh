#!/usr/bin/env bash
# Installs what is missing, builds Quillon in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./deps/install.sh deps/build.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No graphical display here (DISPLAY and WAYLAND_DISPLAY are not set): Quillon's window cannot open."
  exit 2
fi
exec ./build/quillon "$@"
