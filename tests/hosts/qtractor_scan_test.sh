#!/usr/bin/env bash
# Qtractor as a black box: its plug-in scanner (the helper Qtractor runs in a process of its
# own for each library) reads MELP.so's identity, channels, parameters and abilities.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/lib.sh"

plugin="$1"
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
[ -x "$scanner" ] || skip "Qtractor is not installed (Debian package qtractor)"
need_plugin "$plugin"
scratch_home

path="$(readlink -f "$plugin")"
# One request per line on standard input: TYPE:FILE:INDEX. One answer line per plug-in:
# VST|name|audio in:out|midi in:out|parameters in:out|abilities|file|index|unique id
line="$(printf 'VST2:%s:0\n' "$path" | "$scanner")" || fail "the scanner failed"
echo "qtractor scan: $line"
expected="VST|MELPEdit|2:2|0:0|11:0|GUI,RT|$path|0|0x4d454c50"
[ "$line" = "$expected" ] || fail "expected: $expected"
