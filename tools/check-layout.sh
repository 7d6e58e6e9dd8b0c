#!/usr/bin/env bash
# Checks the platform boundary: only platform/ may include <windows.h> or other Win32 headers.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bad=$(git ls-files -- '*.h' '*.cpp' '*.cc' | grep -v '^platform/' |
      xargs -r grep -l -i -E '#[[:space:]]*include[[:space:]]*[<"](windows|winuser|wingdi|ole2|objidl|shlobj|shellapi|windef)\.h[>"]' 2>/dev/null)
if [ -n "$bad" ]; then
  echo "Win32 headers included outside platform/:"; echo "$bad"; exit 1
fi
echo "layout check: only platform/ includes Win32 headers"
