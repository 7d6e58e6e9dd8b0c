#!/usr/bin/env bash
# Compares this build's read-out dump (the 32-bit Linux build's, or a DLL build's under Wine)
# with the x86_64 build's, byte for byte.
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
# A Windows program under Wine ends its lines with CR LF.
"$@" | tr -d '\r' >"$out/readouts-this-build.txt"
if ! cmp -s "$out/readouts-x86_64.txt" "$out/readouts-this-build.txt"; then
  # The first line that differs, named by its signal and setting, and its fields that differ.
  awk 'NR == FNR { reference[FNR] = $0; next }
       /^#/ { setting = substr($0, 3) }
       $0 != reference[FNR] {
         split(reference[FNR], want, " ")
         printf "the read-outs differ from the x86_64 build'"'"'s: line %d (%s, at %s s)\n", FNR, setting, $1
         for (i = 2; i <= NF; ++i) if ($i != want[i]) printf "  field %d: %s here, %s on x86_64\n", i - 1, $i, want[i]
         exit 1 }' "$out/readouts-x86_64.txt" "$out/readouts-this-build.txt" | head -n 12 >&2 || true
  echo "(fields: average, peak, maximum, over per channel, correlation, band level and maximum per band, readMeter 0-10 and 41-100, as float bits; full dumps in $out)" >&2
  exit 1
fi
echo "$(grep -c . "$out/readouts-this-build.txt") lines of read-outs equal the x86_64 build's"
