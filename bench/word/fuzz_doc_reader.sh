#!/usr/bin/env bash
# Runs the reader fuzz target for a bounded time (default 60 s) under a hard time limit; on a crash
# or hang the input that caused it is kept as fuzz-crash-<date>.doc. Not part of CI.
# Usage: bench/word/fuzz_doc_reader.sh [seconds] [build-dir] [seed.doc ...]
set -euo pipefail
seconds=${1:-60}
build=${2:-build}
shift $(( $# < 2 ? $# : 2 ))
tool="$build/bench/word/fuzz_doc_reader"
[[ -x "$tool" ]] || { echo "build the fuzz_doc_reader target first ($tool)" >&2; exit 1; }
current=$(mktemp --suffix=.doc)
if timeout $(( seconds + 30 )) "$tool" "$seconds" "$current" "$@"; then
  rm -f "$current"
else
  kept="fuzz-crash-$(date +%Y%m%d-%H%M%S).doc"
  mv "$current" "$kept"
  echo "the reader crashed or hung; input kept in $kept" >&2
  exit 1
fi
