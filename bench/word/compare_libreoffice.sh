#!/usr/bin/env bash
# Times Quillon writing the 24-pair transcript as a .doc file against LibreOffice headless
# converting the same content (as HTML) to a Word 97-2003 file, and prints the ratio.
# Usage: bench/word/compare_libreoffice.sh [build-dir]   (default: build)
set -euo pipefail
build=${1:-build}
tool="$build/bench/word/write_transcript"
[[ -x "$tool" ]] || { echo "build the write_transcript target first ($tool)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Quillon: one process start and one document, as a user would meet it.
start=$(date +%s%N)
"$tool" "$work/quillon.doc" --html "$work/transcript.html" >/dev/null
quillon_ns=$(( $(date +%s%N) - start ))

# LibreOffice: a warm profile first, so that the timed run does not include its creation.
profile="file://$work/profile"
soffice -env:UserInstallation="$profile" --headless --convert-to txt --outdir "$work/warm" \
  "$work/transcript.html" >/dev/null 2>&1 || true
start=$(date +%s%N)
soffice -env:UserInstallation="$profile" --headless --infilter="HTML (StarWriter)" \
  --convert-to 'doc:MS Word 97' --outdir "$work/lo" "$work/transcript.html" >/dev/null 2>&1 || true
lo_ns=$(( $(date +%s%N) - start ))
[[ -s "$work/lo/transcript.doc" ]] || { echo "LibreOffice produced no document" >&2; exit 1; }

per_doc=$("$tool" "$work/again.doc" --repeat 200)
awk -v q="$quillon_ns" -v l="$lo_ns" -v p="$per_doc" 'BEGIN {
  printf "Quillon (process start + write):    %8.1f ms\n", q / 1e6
  printf "Quillon saving to disk, per document: %s\n", p
  printf "LibreOffice headless convert to doc: %8.1f ms\n", l / 1e6
  printf "ratio LibreOffice / Quillon:         %8.1f\n", l / q
}'
