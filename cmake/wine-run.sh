#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine in the project's private prefix. A 64-bit
# program goes straight to Wine's 64-bit loader: the generic launcher starts the 32-bit one
# first, which a kernel without 32-bit support cannot run at all.
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${MELP_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The PE header's machine field (34404 for x86-64, 332 for i386), empty if unreadable.
pe_machine() {
  local offset
  offset="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')"
  [ -n "$offset" ] || return 0
  od -An -tu2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

wine64_loader=/usr/lib/wine/wine64
if [ $# -gt 0 ] && [ -x "$wine64_loader" ] && [ "$(pe_machine "$1")" = 34404 ]; then
  export WINELOADER="$wine64_loader"
  exec "$wine64_loader" "$@"
fi
exec wine "$@"
