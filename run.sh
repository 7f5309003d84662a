#!/usr/bin/env bash
# Installs what is missing, builds Quillon in build/ and starts it. On a machine without a display
# it composes the example transcript instead and says where the document and its PDF are.
set -euo pipefail
cd "$(dirname "$0")"
./deps/install.sh deps/build.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No graphical display here (DISPLAY and WAYLAND_DISPLAY are not set), so Quillon's window cannot open."
  echo "Composing the example transcript from the command line instead:"
  mkdir -p build/BL
  exec ./build/quillon compose build/example.ini --force --pdf build/BL/example.pdf
fi
exec ./build/quillon "$@"
