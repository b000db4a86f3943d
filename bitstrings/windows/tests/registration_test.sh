#!/usr/bin/env bash
# regsvr32 unregisters bitstrings.dll and registers it again: the class with
# its server and threading model, the interface and the type library for the
# DLL's platform are gone, and then are there. The session has the DLLs of
# both platforms registered: the other platform's class and the programmatic
# name, which both platforms share, stay throughout. Ends with the DLL
# registered.
#
#   registration_test.sh win32|win64 WINDOWS-PATH-OF-DLL
#
# A 32-bit DLL is registered by the 32-bit regsvr32 into the registry's
# 32-bit view.
set -uo pipefail
session=$(dirname "$0")/wine_session.sh
platform=$1 dll=$2
clsid='{825D6123-1414-4275-9D66-0C0349E1B484}'
iid='{5F09A834-7D61-4390-BCFF-0B36AB3C5DFB}'
libid='{1A21F21F-E866-4A73-A646-B2B1857AC4F1}'
if [[ $platform == win32 ]]; then
    regsvr32='C:\windows\syswow64\regsvr32.exe' view=/reg:32 other_view=/reg:64
else
    regsvr32='C:\windows\system32\regsvr32.exe' view=/reg:64 other_view=/reg:32
fi
own_keys=("HKCR\\CLSID\\$clsid" "HKCR\\Interface\\$iid" "HKCR\\TypeLib\\$libid\\2.0\\409\\$platform")
failures=0

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# The data of a value (the key's default value without a name).
value() { # key name [view]
    local selector=(/ve)
    [[ -n $2 ]] && selector=(/v "$2")
    "$session" run reg query "$1" "${selector[@]}" ${3:-} 2>/dev/null | tr -d '\r' |
        awk -F '    ' 'NF >= 4 { print $4; exit }'
}

expect_value() { # key name expected [view]
    local actual
    actual=$(value "$1" "$2" "${4-$view}")
    [[ ${actual,,} == "${3,,}" ]] || fail "$1 ${2:-(default)}: [$actual], expected [$3]"
}

expect_own_keys() { # present|absent
    local key
    for key in "${own_keys[@]}"; do
        if "$session" run reg query "$key" $view >/dev/null 2>&1; then
            [[ $1 == present ]] || fail "$key is still there after unregistering"
        else
            [[ $1 == absent ]] || fail "$key is missing after registering"
        fi
    done
}

expect_shared_keys() {
    "$session" run reg query "HKCR\\CLSID\\$clsid\\InprocServer32" $other_view >/dev/null 2>&1 ||
        fail "the other platform's class registration is gone"
    expect_value "HKCR\\Project1.Binary\\CLSID" "" "$clsid" ""
}

# The registry is read once regsvr32 and whatever it started have ended.
"$session" run "$regsvr32" /u /s "$dll" || fail "regsvr32 /u exited with $?"
"$session" wait
expect_own_keys absent
expect_shared_keys

"$session" run "$regsvr32" /s "$dll" || fail "regsvr32 exited with $?"
"$session" wait
expect_own_keys present
expect_shared_keys
expect_value "HKCR\\CLSID\\$clsid" "" "Project1.Binary"
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "" "$dll"
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel "Apartment"
expect_value "HKCR\\CLSID\\$clsid\\ProgID" "" "Project1.Binary"
expect_value "HKCR\\Project1.Binary" "" "Project1.Binary" ""
expect_value "HKCR\\Interface\\$iid" "" "_Binary"
expect_value "HKCR\\Interface\\$iid\\TypeLib" "" "$libid"
expect_value "HKCR\\TypeLib\\$libid\\2.0" "" "Project1"
library=$(value "HKCR\\TypeLib\\$libid\\2.0\\409\\$platform" "" "$view")
[[ ${library,,} == *'\bitstrings.dll' ]] || fail "type library path [$library]"

((failures == 0)) && echo "Registration passed."
exit $((failures > 0))
