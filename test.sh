#!/usr/bin/env bash
# Installs what is missing, builds Quillon in build/, starts the test services and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./deps/install.sh deps/*.txt
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON >/dev/null
cmake --build build

# Each tests/env/*.sh starts one service for the tests and registers its own clean-up.
cleanups=()
trap 'for c in "${cleanups[@]}"; do $c || true; done' EXIT
for env in tests/env/*.sh; do
  [[ -e "$env" ]] || continue
  # shellcheck source=/dev/null
  source "$env"
done

cd build
ctest --output-on-failure --timeout 600 "$@"
