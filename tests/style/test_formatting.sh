#!/usr/bin/env bash
# Fails when a C++ file of src/, tests/ or bench/ differs from what clang-format makes of it with the
# tree's .clang-format, and names each file with the command that formats them all.
# Usage: test_formatting.sh SOURCE_DIR
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "FAIL: clang-format is missing: ./deps/install.sh deps/test-style.txt" >&2; exit 1; }
mapfile -d '' files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
((${#files[@]})) || { echo "FAIL: no C++ files found under src/, tests/ and bench/" >&2; exit 1; }
differ=()
for f in "${files[@]}"; do
  clang-format --style=file "$f" | cmp -s - "$f" || differ+=("$f")
done
if ((${#differ[@]})); then
  printf 'FAIL: %d of %d files differ from .clang-format:\n' "${#differ[@]}" "${#files[@]}" >&2
  printf '  %s\n' "${differ[@]}" >&2
  echo "Format them with: find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i" >&2
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says"
