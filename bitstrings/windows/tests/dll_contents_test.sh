#!/usr/bin/env bash
# The DLLs for 32-bit and 64-bit Windows: the right machine, exactly the four
# entry points under their plain names, the type library for that platform as
# resource TYPELIB 1 beside the version block, and no MinGW runtime DLL that
# a Windows machine wouldn't have. The version block holds US English strings
# in Unicode, and the OLESelfRegister entry, which tells installers that the
# module registers itself.
#
#   dll_contents_test.sh WINEDUMP OBJDUMP DLL FORMAT SYSKIND [OBJDUMP DLL FORMAT SYSKIND ...]
#
# SYSKIND is the type library's platform: 1 for 32-bit, 3 for 64-bit Windows.
set -uo pipefail
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
expected_exports=$'DllCanUnloadNow\nDllGetClassObject\nDllRegisterServer\nDllUnregisterServer'

winedump=$1
shift
while (($# >= 4)); do
    objdump=$1 dll=$2 format=$3 syskind=$4
    shift 4
    if ! headers=$("$objdump" -p "$dll" 2>&1); then
        fail "$dll: $headers"
        continue
    fi
    grep -q "file format $format\$" <<<"$headers" || fail "$dll is not $format"
    exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | awk '/\]/ && NR > 1 { print $NF }' | sort)
    [[ $exports == "$expected_exports" ]] || fail "$dll exports [${exports//$'\n'/ }]"
    resources=$("$winedump" -j resource "$dll" 2>&1)
    grep -q '^  L"TYPELIB" Name=0001 Language=0409:$' <<<"$resources" || fail "$dll has no type library resource"
    grep -q '^  VERSION Name=0001 Language=0409:$' <<<"$resources" || fail "$dll has no version block"
    # Its bytes from the dump's hex columns; its strings are UTF-16 of ASCII.
    version=$(sed -n '/^  VERSION Name=0001/,/^  [^ ]/{/^    /p}' <<<"$resources" | cut -c15-61 | tr -d ' \n-' |
        perl -ne 'print pack("H*", $_)' | tr -d '\0')
    [[ $version == *040904B0*FileVersion1.00*InternalNamebitstrings*ProductNamebitstrings*ProductVersion1.00* ]] &&
        [[ $version == *OLESelfRegister*$'Translation\t\004\260\004' ]] ||
        fail "$dll's version block lacks its US English strings in Unicode or OLESelfRegister"
    # The low four bits of byte 0x14 of an MSFT type library give its platform.
    flags=$(grep -A2 'L"TYPELIB"' <<<"$resources" | awk '$1 == "00000010:" { print $6 }')
    platform=$((0x${flags:-ff} & 0xF))
    ((platform == syskind)) || fail "$dll holds a type library for platform $platform, expected $syskind"
    imports=$(grep 'DLL Name:' <<<"$headers" | awk '{ print tolower($3) }')
    grep -E 'libstdc|libgcc|libwinpthread' <<<"$imports" && fail "$dll needs MinGW runtime DLLs"
done
((failures == 0)) && echo "Exports passed."
exit $((failures > 0))
