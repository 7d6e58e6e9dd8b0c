#!/usr/bin/env bash
# Ardour 7 as a black box.
#   ardour_test.sh MELP.so               the scanner indexes MELP.so with its identity, and a
#                                        headless session plays audio through it bit for bit
#   ardour_test.sh MELP.so ALTERED.so    the control: the same with a plug-in that changes one
#                                        bit per block must fail both comparisons
# The library is installed as MELP.so in a folder of LXVST_PATH, as a user would.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/lib.sh"

plugin="$1"; altered="${2:-}"
lua=ardour7-lua
scanner=/usr/lib/ardour7/ardour-vst-scanner
command -v "$lua" >/dev/null && [ -x "$scanner" ] ||
  skip "Ardour 7 is not installed (Debian package ardour)"
need_plugin "$plugin"
scratch_home

mkdir -p "$scratch/lxvst"
if [ -n "$altered" ]; then
  cp "$altered" "$scratch/lxvst/MELP.so"
  export MELP_ALTERED_WRAPS="$(readlink -f "$plugin")"
else
  cp "$plugin" "$scratch/lxvst/MELP.so"
fi
export LXVST_PATH="$scratch/lxvst"

# A session notes a library it has not seen in LXVST_PATH as new, and cannot use it yet.
listed="$(stdbuf -oL "$lua" "$here/ardour_session.lua" "$scratch/first" list 2>&1)" ||
  fail "ardour7-lua could not open a session: $listed"
if grep -q '^plug-in: MELPEdit' <<<"$listed"; then fail "MELP is usable before it was indexed"; fi
grep -q "type=\"LXVST\" path=\"$LXVST_PATH/MELP.so\"" "$HOME/.config/ardour7/plugin_metadata/scan_log" ||
  fail "the session did not note MELP.so in LXVST_PATH as a new library"

# The scanner runs each library in a process of its own and writes what it found into an
# index file in Ardour's cache; sessions read the index, not the library.
LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$LXVST_PATH/MELP.so" ||
  fail "ardour-vst-scanner failed on MELP.so"
index="$(find "$HOME/.cache/ardour7/vst" -name '*.v2i' 2>/dev/null)"
[ "$(wc -l <<<"$index")" = 1 ] && [ -n "$index" ] || fail "no single index file: $index"
entry="$(grep '<VST2Info' "$index")" || fail "no plug-in in the index: $(cat "$index")"
echo "ardour index: $entry"
expect_attribute "$entry" name "MELPEdit"
expect_attribute "$entry" creator "Quillon Mardet"
expect_attribute "$entry" id "1296387152"   # 'MELP' = 0x4D454C50
expect_attribute "$entry" category "Effect"
expect_attribute "$entry" n_inputs 2
expect_attribute "$entry" n_outputs 2
expect_attribute "$entry" is_instrument 0
expect_attribute "$entry" can_process_replace 1
expect_attribute "$entry" has_editor 1

out="$scratch/session.log"
# stdbuf: the interpreter's prints are lost from a full buffer if Ardour dies.
status=0
stdbuf -oL "$lua" "$here/ardour_session.lua" "$scratch/session" MELPEdit >"$out" 2>&1 || status=$?
grep -E '^(take|plug-in|capture|result|session):|^Error' "$out" || true
[ "$status" = 0 ] || fail "ardour7-lua exited with status $status"

if [ -z "$altered" ]; then
  [ "$(grep -c '^result: .*all equal$' "$out")" = 2 ] && grep -qx 'session: pass' "$out" ||
    fail "the session did not pass (log: see above)"
else
  grep -q '^result: FAIL bounce through the plug-in' "$out" &&
    grep -q '^result: FAIL live playback through the plug-in' "$out" ||
    fail "the session did not notice the altered plug-in"
  echo "the altered plug-in was caught by both comparisons"
fi
