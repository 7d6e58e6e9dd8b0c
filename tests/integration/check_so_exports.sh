#!/usr/bin/env bash
# Checks the finished Linux library as a host's loader sees it: exactly the two entry names
# VSTPluginMain and main, at one address, and dynamic dependencies on the C library, the X11
# client libraries and FreeType only (the compiler's runtime is linked in).
# Usage: check_so_exports.sh <MELP.so>
set -u
so="$1"
if [[ ! -f "$so" ]]; then
  echo "missing: $so"
  exit 1
fi
status=0
exports="$(nm -D --defined-only "$so")" || { echo "nm failed on $so"; exit 1; }
names="$(awk '{print $3}' <<<"$exports" | sort | tr '\n' ' ')"
if [[ "$names" != "VSTPluginMain main " ]]; then
  echo "exports are not exactly VSTPluginMain and main: ${names:-<none>}"
  status=1
fi
addresses="$(awk '{print $1}' <<<"$exports" | sort -u | wc -l)"
if [[ "$addresses" != 1 ]]; then
  echo "VSTPluginMain and main are not the same entry"
  status=1
fi
types="$(awk '{print $2}' <<<"$exports" | sort -u | tr -d '\n')"
if [[ "$types" != "T" ]]; then
  echo "an export is not a function in the text: $types"
  status=1
fi

# The dynamic loader itself is part of the C library (the unwinder asks it for frames).
allowed=" libc.so.6 libm.so.6 ld-linux-x86-64.so.2 libX11.so.6 libXext.so.6 libfreetype.so.6 "
needed="$(readelf -d "$so" | awk '/\(NEEDED\)/ {gsub(/[\[\]]/, "", $5); print $5}')"
for name in $needed; do
  if [[ "$allowed" != *" $name "* ]]; then
    echo "needs a library outside the allowed set: $name"
    status=1
  fi
done
for required in libc.so.6 libX11.so.6; do
  if ! grep -qx "$required" <<<"$needed"; then
    echo "does not name $required"
    status=1
  fi
done
if readelf -d "$so" | grep -q TEXTREL; then
  echo "has text relocations"
  status=1
fi
# What the newest C library symbol it asks for is: a host on an older system lacks it.
glibc="$(objdump -T "$so" | grep -o 'GLIBC_[0-9.]*' | sort -t. -k2,2n -k3,3n -u | tail -n 1)"
if [[ $status -eq 0 ]]; then
  echo "exports: ${names}; needs: $(tr '\n' ' ' <<<"$needed"); newest C library symbol: ${glibc:-none}"
fi
exit $status
