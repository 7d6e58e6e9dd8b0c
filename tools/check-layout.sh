#!/usr/bin/env bash
# Checks the platform boundary: only platform/ may include <windows.h> or other Win32
# headers, or the X11 client headers.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."
outside=$(git ls-files -- '*.h' '*.cpp' '*.cc' | grep -v '^platform/')
bad=$(xargs -r grep -l -i -E '#[[:space:]]*include[[:space:]]*[<"](windows|winuser|wingdi|ole2|objidl|shlobj|shellapi|windef)\.h[>"]' <<<"$outside" 2>/dev/null)
if [ -n "$bad" ]; then
  echo "Win32 headers included outside platform/:"; echo "$bad"; exit 1
fi
bad=$(xargs -r grep -l -E '#[[:space:]]*include[[:space:]]*[<"](X11/|xcb/)' <<<"$outside" 2>/dev/null)
if [ -n "$bad" ]; then
  echo "X11 headers included outside platform/:"; echo "$bad"; exit 1
fi
echo "layout check: only platform/ includes Win32 or X11 headers"
