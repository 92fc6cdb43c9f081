#!/usr/bin/env bash
# Fails when the shared library exports anything but the C interface
# (the CP_* functions and the iconv_* text conversions), or when dlclose could unmap it.
set -euo pipefail
lib="$1"
bad=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^(CP_[A-Za-z0-9_]+|iconv_(wcstombs|mbstowcs|wcstolocalmbs|localmbstowcs|utftolocalmbs))$' || true)
if [ -n "$bad" ]; then
  echo "unexpected exported symbols:"; echo "$bad"; exit 1
fi
for f in iconv_wcstombs iconv_mbstowcs iconv_wcstolocalmbs iconv_localmbstowcs iconv_utftolocalmbs; do
  nm -D --defined-only "$lib" | awk '{print $3}' | grep -qx "$f" || { echo "missing export: $f"; exit 1; }
done
count=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -c '^CP_')
echo "exports: $count CP_ functions"
[ "$count" -eq 207 ] || { echo "expected 207 CP_ functions"; exit 1; }
# Threads of the library may outlive the calls that start them: dlclose must leave it mapped.
readelf -d "$lib" | grep -Eq 'FLAGS_1.*NODELETE' || { echo "the library lacks the NODELETE flag (-z nodelete)"; exit 1; }
