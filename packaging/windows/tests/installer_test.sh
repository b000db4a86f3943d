#!/usr/bin/env bash
# The setup programs in a fresh Wine session, as an administrator uses them:
# the 32-bit and the 64-bit one installed side by side without a question
# (/S), each with its files under its Program Files, the component
# registered for its platform and working from there, an entry among the
# installed programs and a Start-menu entry for all users, the program
# offered under "Open with" for .nes, .gb and .gbc files beside the default
# program that a type already has (one entry for both platforms, naming the
# installation made last), the installed 64-bit program drawing a file in
# its real window, picked in its dialog and opened with it through the
# shell. Then each one uninstalled without a question, the other platform's
# installation working on and offered under "Open with" again, until, after
# a restart, no file, registry key or value that the setup programs made is
# left, and the type's default program is still the one it was.
#
#   installer_test.sh SESSION-SCRIPT VERSION BUILD-DIR CONVERSIONS-VBS WINDOW-TEST
#
# BUILD-DIR holds the setup programs in win32/ and win64/ and the 64-bit
# C++ client of the component; the 32-bit component is checked by the
# VBScript suite (Windows path) in the 32-bit script host. WINDOW-TEST is
# the test of tilebridge.exe in a real window, which drives the installed
# program.
set -uo pipefail
session=$1 version=$2 build=$3 conversions=$4 window_test=$5
cscript32='C:\windows\syswow64\cscript.exe'
: "${WINE_SESSION_DIR:?}"
prefix=$WINE_SESSION_DIR/prefix
clsid='{825D6123-1414-4275-9D66-0C0349E1B484}'
app_key='HKCR\Applications\tilebridge.exe' open_with_types=(.nes .gb .gbc)
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tilebridge'
start_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
failures=0

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# Where each platform's installation goes, in the registry view of its platform.
declare -A folder=([win32]='C:\Program Files (x86)\tilebridge' [win64]='C:\Program Files\tilebridge')
declare -A linux_folder=([win32]="$prefix/drive_c/Program Files (x86)/tilebridge"
                         [win64]="$prefix/drive_c/Program Files/tilebridge")
declare -A view=([win32]=/reg:32 [win64]=/reg:64)
declare -A product=([win32]='tilebridge' [win64]='tilebridge (64-bit)')

# The data of a value (the key's default value for an empty name).
value() { # key name view
    local selector=(/ve)
    [[ -n $2 ]] && selector=(/v "$2")
    "$session" run reg query "$1" "${selector[@]}" "$3" 2>/dev/null | tr -d '\r' |
        awk -F '    ' 'NF >= 4 { print $4; exit }'
}

expect_value() { # key name view expected
    local actual
    actual=$(value "$1" "$2" "$3")
    [[ $actual == "$4" ]] || fail "$1 $2 ($3): [$actual], expected [$4]"
}

# Every registry key, every value's name and every file of drive C, one a
# line, once the session's programs have ended. The data of values are left
# out: Wine rewrites some of its own at every start. So is the system's
# record of the folders last visited in its file dialogs, which the
# installed program's open dialog leaves, as any program's does.
snapshot() {
    "$session" wait
    local hive
    for hive in system.reg user.reg userdef.reg; do
        awk -v hive="$hive" '
            /^\[/ { key = $0; sub(/\] [0-9]+$/, "]", key); print hive " " key; next }
            key != "" && match($0, /^(@|"([^"\\]|\\.)*")=/) { print hive " " key " " substr($0, 1, RLENGTH - 1) }
        ' "$prefix/$hive"
    done | grep -vF 'Explorer\\ComDlg32\\'
    (cd "$prefix" && find drive_c -mindepth 1)
}


installed() { # platform
    local platform=$1 files=(bitstrings.dll tilebridge.exe tilebridge-convert.exe uninstall.exe) file
    for file in "${files[@]}"; do
        [[ -f ${linux_folder[$platform]}/$file ]] || fail "$platform: $file is not installed"
    done
    cmp -s "${linux_folder[$platform]}/bitstrings.dll" "$build/$platform/bitstrings.dll" ||
        fail "$platform: the installed bitstrings.dll is not the one built"
    local converter
    converter=$("$session" run "${folder[$platform]}\\tilebridge-convert.exe" --version | tr -d '\r')
    [[ $converter == "tilebridge-convert $version" ]] ||
        fail "$platform: the installed tilebridge-convert.exe answers [$converter] to --version"
    [[ -f $start_menu/${product[$platform]}.lnk ]] || fail "$platform: no Start-menu entry"
    local key=$uninstall_key
    expect_value "$key" DisplayName "${view[$platform]}" "${product[$platform]}"
    expect_value "$key" DisplayVersion "${view[$platform]}" "$version"
    expect_value "$key" Publisher "${view[$platform]}" "The tilebridge developers"
    expect_value "$key" InstallLocation "${view[$platform]}" "${folder[$platform]}"
    expect_value "$key" UninstallString "${view[$platform]}" "\"${folder[$platform]}\\uninstall.exe\""
    expect_value "$key" QuietUninstallString "${view[$platform]}" "\"${folder[$platform]}\\uninstall.exe\" /S"
    expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" "" "${view[$platform]}" "${folder[$platform]}\\bitstrings.dll"
    # The 64-bit view shows the entry that both platforms share.
    expect_value "$app_key\\shell\\open\\command" "" /reg:64 "\"${folder[$platform]}\\tilebridge.exe\" \"%1\""
    local type
    for type in "${open_with_types[@]}"; do
        "$session" run reg query "$app_key\\SupportedTypes" /v $type /reg:64 >/dev/null 2>&1 &&
            "$session" run reg query "HKCR\\$type\\OpenWithList\\tilebridge.exe" /reg:64 >/dev/null 2>&1 ||
            fail "$platform: tilebridge is not offered to open $type files"
    done
    expect_value 'HKCR\.gb' "" /reg:64 emulator.gb
}

# A client of the component, as any program of the platform creates it:
# through the registry, from the installed DLL. A program that dies of a
# signal under Wine can still leave with status 0: the client's own last
# word counts.
works() { # platform
    local log=$work/client-$1.log
    if [[ $1 == win64 ]]; then
        # Its two-byte code page case needs a Japanese locale: its own test runs it.
        "$session" run "$build/windows/win64-build/bin/bitstrings_client_test.exe" '--gtest_filter=-*TwoByteCodePage*' \
            >"$log" 2>&1
        grep -Eq '^\[  PASSED  \] [0-9]+ test' "$log" && ! grep -q '^\[  FAILED  \]' "$log"
    else
        "$session" run "$cscript32" //nologo "$conversions" >"$log" 2>&1
        grep -q 'All conversions passed' "$log"
    fi || fail "$1: the installed component fails its client:"$'\n'"$(tail -n 20 "$log")"
}

# The installed program, started from its folder and through the shell's
# "Open with" entry for a file, draws the file with the component that the
# setup program registered.
draws() { # platform
    local log=$work/window-$1.log
    INSTALLED_EXE="${folder[$1]}\\tilebridge.exe" WINE_SESSION=$session "$window_test" \
        --gtest_filter='*DrawnAtLoad*:*/AFileOpenedWith*' >"$log" 2>&1 ||
        fail "$1: the installed program did not draw the file:"$'\n'"$(tail -n 20 "$log")"
}

uninstall() { # platform
    local platform=$1
    "$session" run "${folder[$platform]}\\uninstall.exe" /S || fail "$platform: uninstall.exe /S exited with $?"
    # The uninstaller runs on from a copy in the temporary folder.
    "$session" wait
    [[ -e ${linux_folder[$platform]} ]] && fail "$platform: the installation folder is still there"
    [[ -e $start_menu/${product[$platform]}.lnk ]] && fail "$platform: the Start-menu entry is still there"
    "$session" run reg query "$uninstall_key" "${view[$platform]}" >/dev/null 2>&1 &&
        fail "$platform: the entry among the installed programs is still there"
    "$session" run reg query "HKCR\\CLSID\\$clsid" "${view[$platform]}" >/dev/null 2>&1 &&
        fail "$platform: the component is still registered"
}

work=$WINE_SESSION_DIR/installer-test
mkdir -p "$work"
# The script host registers its own type library when first run; that
# belongs to the state before.
: >"$work/empty.vbs"
"$session" run "$cscript32" //nologo "$("$session" winpath "$work/empty.vbs")"
# The default program that the user chose for one of the types.
"$session" run reg add 'HKCR\.gb' /ve /d emulator.gb /reg:64 /f >/dev/null
snapshot | sort >"$work/before"

for platform in win32 win64; do
    "$session" run "$build/$platform/tilebridge-setup.exe" /S || fail "$platform: setup /S exited with $?"
    installed $platform
done
works win64
draws win64

uninstall win64
installed win32
works win32
uninstall win32

# A restart removes the uninstallers' copies.
"$session" run wineboot -r
snapshot | sort >"$work/after"
left=$(comm -13 "$work/before" "$work/after")
[[ -z $left ]] || fail "left behind:"$'\n'"$left"
expect_value 'HKCR\.gb' "" /reg:64 emulator.gb

((failures == 0)) && echo "Installer passed."
exit $((failures > 0))
