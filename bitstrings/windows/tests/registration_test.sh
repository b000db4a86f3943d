#!/usr/bin/env bash
# regsvr32 registers bitstrings.dll and unregisters it again: the class with
# its server and threading model, the programmatic name, the interface and
# the type library appear, and then are gone. Ends with the DLL registered.
#
#   registration_test.sh WINDOWS-PATH-OF-DLL
set -uo pipefail
session=$(dirname "$0")/wine_session.sh
dll=$1
clsid='{825D6123-1414-4275-9D66-0C0349E1B484}'
iid='{5F09A834-7D61-4390-BCFF-0B36AB3C5DFB}'
libid='{1A21F21F-E866-4A73-A646-B2B1857AC4F1}'
keys=("HKCR\\CLSID\\$clsid" "HKCR\\Project1.Binary" "HKCR\\Interface\\$iid" "HKCR\\TypeLib\\$libid")
failures=0

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# The data of a value (the key's default value without a name).
value() {
    local selector=(/ve)
    [[ -n ${2:-} ]] && selector=(/v "$2")
    "$session" run reg query "$1" "${selector[@]}" 2>/dev/null | tr -d '\r' |
        awk -F '    ' 'NF >= 4 { print $4; exit }'
}

expect_value() { # key name expected
    local actual
    actual=$(value "$1" "$2")
    [[ ${actual,,} == "${3,,}" ]] || fail "$1 ${2:-(default)}: [$actual], expected [$3]"
}

expect_keys() { # present|absent
    local key
    for key in "${keys[@]}"; do
        if "$session" run reg query "$key" >/dev/null 2>&1; then
            [[ $1 == present ]] || fail "$key is still there after unregistering"
        else
            [[ $1 == absent ]] || fail "$key is missing after registering"
        fi
    done
}

"$session" run regsvr32 /u /s "$dll" >/dev/null 2>&1
expect_keys absent

"$session" run regsvr32 /s "$dll" || fail "regsvr32 exited with $?"
expect_keys present
expect_value "HKCR\\CLSID\\$clsid" "" "Project1.Binary"
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "" "$dll"
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel "Apartment"
expect_value "HKCR\\CLSID\\$clsid\\ProgID" "" "Project1.Binary"
expect_value "HKCR\\Project1.Binary\\CLSID" "" "$clsid"
expect_value "HKCR\\Interface\\$iid" "" "_Binary"
expect_value "HKCR\\Interface\\$iid\\TypeLib" "" "$libid"
expect_value "HKCR\\TypeLib\\$libid\\2.0" "" "Project1"
library=$(value "HKCR\\TypeLib\\$libid\\2.0\\409\\win64" "")
[[ ${library,,} == *'\bitstrings.dll' ]] || fail "type library path [$library]"

"$session" run regsvr32 /u /s "$dll" || fail "regsvr32 /u exited with $?"
expect_keys absent

"$session" run regsvr32 /s "$dll" || fail "registering again: regsvr32 exited with $?"
((failures == 0)) && echo "Registration passed."
exit $((failures > 0))
