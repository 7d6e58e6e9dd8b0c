#!/usr/bin/env bash
# Compares this build's read-out dump with the x86_64 build's, byte for byte.
# usage: compare_readouts.sh X86_64_DUMP_PROGRAM OUTPUT_DIR -- [EMULATOR] DUMP_PROGRAM
set -euo pipefail
reference="$1" out="$2"
shift 3
if [ ! -x "$reference" ]; then
  echo "no x86_64 read-out dump at $reference: build the headless-debug preset first" >&2
  exit 1
fi
mkdir -p "$out"
"$reference" >"$out/readouts-x86_64.txt"
"$@" >"$out/readouts-this-build.txt"
if ! cmp -s "$out/readouts-x86_64.txt" "$out/readouts-this-build.txt"; then
  echo "the read-outs differ from the x86_64 build's (first differences; lines: time," >&2
  echo "levels, bands, read-outs as float bits):" >&2
  diff "$out/readouts-x86_64.txt" "$out/readouts-this-build.txt" | head -n 8 >&2
  exit 1
fi
echo "$(grep -c . "$out/readouts-this-build.txt") lines of read-outs equal the x86_64 build's"
