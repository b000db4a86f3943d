#!/usr/bin/env bash
# encrypt and decrypt from a script host, with the password typed into the
# component's prompt on the keyboard (xdotool) as a user types it: a short
# answer makes the prompt come again, a wrong password is refused in a
# message box and writes nothing, the right one gives the text back byte for
# byte. The protected file is written through a symbolic link made on the
# Unix side (the link stays), and a read-only one is refused with error 75.
set -uo pipefail
session=$(dirname "$0")/wine_session.sh
: "${WINE_SESSION_DIR:?}"
DISPLAY=$(cat "$WINE_SESSION_DIR/display")
export DISPLAY
work=$WINE_SESSION_DIR/round-trip
rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# The id of the window with this title, once it is there (20 s at most).
wait_for_window() {
    local id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits until the window with this id no longer shows (10 s at most): the
# prompt that comes again is a new window with the same title.
wait_until_gone() { # title id
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$2" || return 0
        sleep 0.1
    done
    return 1
}

# Types into the window with this title and presses Enter.
answer() { # title text
    local id
    id=$(wait_for_window "$1") || { fail "no window \"$1\""; return 1; }
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    [[ -n $2 ]] && xdotool type --delay 30 "$2"
    xdotool key Return
    wait_until_gone "$1" "$id" || fail "\"$1\" stays open after Enter"
}

# Runs operation on the file from a script, in the background.
start_operation() { # operation file
    local script=$work/$1.vbs
    printf 'On Error Resume Next\r\nSet b = CreateObject("Project1.Binary")\r\nb.%s "%s"\r\nWScript.Quit Err.Number\r\n' \
        "$1" "$("$session" winpath "$2")" >"$script"
    "$session" run cscript //nologo "$("$session" winpath "$script")" &
    operation=$!
}

finish_operation() { # name [expected error number]
    wait "$operation"
    local status=$?
    ((status == ${2:-0})) || fail "$1 ended with error $status"
}

printf 'Line one\r\nCaf\xe9 \xff\r\n' >"$work/original.txt"
cp "$work/original.txt" "$work/notes.txt"
mkdir "$work/kept"
printf 'old' >"$work/kept/protected.pef"
ln -s kept/protected.pef "$work/notes.pef"

start_operation encrypt "$work/notes.txt"
answer "Password Needed" "abcdefg"        # seven letters: asked again
answer "Password Needed" "abcdefgh"
finish_operation encrypt
[[ -L $work/notes.pef ]] || fail "notes.pef is no longer a link"
digits=$(cat "$work/kept/protected.pef" 2>/dev/null)
((${#digits} == 64 + 8 * $(stat -c %s "$work/original.txt"))) || fail "notes.pef holds ${#digits} digits"
[[ ${digits:1:64} == 0110000101100010011000110110010001100101011001100110011101101000 ]] ||
    fail "notes.pef does not hold the password's bit string from its second digit"
rm "$work/notes.txt"

start_operation decrypt "$work/notes.pef"
answer "Password Needed" "abcdefgH"
answer "Stopping Decrypton Process" ""
finish_operation "decrypt with a wrong password"
[[ -e $work/notes.txt ]] && fail "a wrong password wrote notes.txt"

start_operation decrypt "$work/notes.pef"
answer "Password Needed" "abcdefgh"
finish_operation decrypt
cmp -s "$work/original.txt" "$work/notes.txt" || fail "notes.txt differs from the text that was encrypted"

cp "$work/original.txt" "$work/locked.txt"
printf 'kept' >"$work/locked.pef"
chmod a-w "$work/locked.pef"
start_operation encrypt "$work/locked.txt"
answer "Password Needed" "abcdefgh"
finish_operation "encrypt over a read-only file" 75
[[ $(cat "$work/locked.pef") == kept ]] || fail "the read-only locked.pef was replaced"

((failures == 0)) && echo "Password round trip passed."
exit $((failures > 0))
