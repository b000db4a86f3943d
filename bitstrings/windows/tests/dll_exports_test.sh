#!/usr/bin/env bash
# The DLLs for 32-bit and 64-bit Windows: the right machine, exactly the four
# entry points under their plain names, resources, and no MinGW runtime DLL
# that a Windows machine wouldn't have.
#
#   dll_exports_test.sh OBJDUMP DLL FORMAT [OBJDUMP DLL FORMAT ...]
set -uo pipefail
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
expected_exports=$'DllCanUnloadNow\nDllGetClassObject\nDllRegisterServer\nDllUnregisterServer'

while (($# >= 3)); do
    objdump=$1 dll=$2 format=$3
    shift 3
    if ! headers=$("$objdump" -p "$dll" 2>&1); then
        fail "$dll: $headers"
        continue
    fi
    grep -q "file format $format\$" <<<"$headers" || fail "$dll is not $format"
    exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | awk '/\]/ && NR > 1 { print $NF }' | sort)
    [[ $exports == "$expected_exports" ]] || fail "$dll exports [${exports//$'\n'/ }]"
    "$objdump" -h "$dll" | grep -q ' \.rsrc ' || fail "$dll has no resources"
    imports=$(grep 'DLL Name:' <<<"$headers" | awk '{ print tolower($3) }')
    grep -E 'libstdc|libgcc|libwinpthread' <<<"$imports" && fail "$dll needs MinGW runtime DLLs"
done
((failures == 0)) && echo "Exports passed."
exit $((failures > 0))
