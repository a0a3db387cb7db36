#!/usr/bin/env bash
# check-image.sh OBJDUMP EXE: the product is a PE32 GUI program that imports only Windows' own DLLs.
set -u
objdump=$1 exe=$2
header=$("$objdump" -p "$exe") || exit 1
allowed='^(kernel32|user32|gdi32|ole32|advapi32|msvcrt)\.dll$'
status=0
grep -q 'Magic[[:space:]]*010b' <<<"$header" || { echo "not PE32"; status=1; }
grep -q 'Subsystem[[:space:]]*00000002' <<<"$header" || { echo "not a GUI subsystem program"; status=1; }
while read -r dll; do
  if grep -qiE "$allowed" <<<"$dll"; then echo "imports $dll"; else echo "imports a DLL that is not Windows' own: $dll"; status=1; fi
done < <(sed -n 's/.*DLL Name: //p' <<<"$header")
echo "size: $(stat -c %s "$exe") bytes"
exit $status
