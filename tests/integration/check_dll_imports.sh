#!/usr/bin/env bash
# Checks the finished DLL as a host's loader sees it: exactly one export, named main, and
# imports from system DLLs only (no compiler runtime may have to lie beside it).
# Usage: check_dll_imports.sh <objdump> <MELP.dll>
set -u
objdump="$1"
dll="$2"
if [[ ! -f "$dll" ]]; then
  echo "missing: $dll"
  exit 1
fi
dump="$("$objdump" -p "$dll")" || { echo "objdump failed on $dll"; exit 1; }

exports="$(awk '/\[Ordinal\/Name Pointer\] Table/ {table = 1; next}
                table && /^[[:space:]]*\[/ {print $NF; next}
                table {table = 0}' <<<"$dump")"
status=0
if [[ "$exports" != "main" ]]; then
  echo "exports are not exactly 'main':"
  echo "${exports:-<none>}"
  status=1
fi

allowed=" kernel32.dll user32.dll gdi32.dll ole32.dll oleaut32.dll shell32.dll msvcrt.dll advapi32.dll comctl32.dll comdlg32.dll shlwapi.dll msimg32.dll ntdll.dll "
imports="$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump")"
if [[ -z "$imports" ]]; then
  echo "no import table found"
  status=1
fi
for name in $imports; do
  if [[ "$allowed" != *" $name "* ]]; then
    echo "imports a non-system DLL: $name"
    status=1
  fi
done
if [[ $status -eq 0 ]]; then
  echo "exports: main; imports: $(tr '\n' ' ' <<<"$imports")"
fi
exit $status
