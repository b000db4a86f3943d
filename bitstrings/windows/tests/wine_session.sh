#!/usr/bin/env bash
# A Wine session for the tests of bitstrings.dll: a fresh 64-bit prefix that
# also runs 32-bit programs, and an X server of its own (Xvfb), since the
# component's prompt and message boxes are windows.
#
#   wine_session.sh start         new prefix and display
#   wine_session.sh run PROG ...  runs a Windows program in the session
#   wine_session.sh winpath PATH  the Windows path of a Linux path
#   wine_session.sh native-i386 COMMAND ...
#                                 runs a Linux command that tests 32-bit
#                                 programs where they run natively; where
#                                 they run under an emulator, exits with 77
#   wine_session.sh wait          waits until the session's programs have
#                                 ended and the registry is written to disk
#   wine_session.sh stop          stops the Wine server and the display
#
# The session lives in $WINE_SESSION_DIR.
set -euo pipefail

: "${WINE_SESSION_DIR:?WINE_SESSION_DIR names the folder of the session}"
: "${WINE64:=/usr/lib/wine/wine64}"
: "${WINESERVER:=/usr/lib/wine/wineserver}"
: "${WINE32:=/usr/lib/wine/wine}"

# An enabled binfmt_misc handler for 32-bit x86 ELF files (magic: "\x7fELF",
# class 1, then machine 3 at byte 18): the kernel hands such programs to an
# emulator even where it could run them itself.
i386_handler_registered() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [[ -f $entry && $(head -n 1 "$entry" 2>/dev/null) == enabled ]] || continue
        grep -Eq '^magic 7f454c4601[0-9a-f]{26}0300' "$entry" && return 0
    done
    return 1
}

# Wine starts 32-bit Windows programs in its 32-bit Linux loader. Where the
# kernel cannot run 32-bit Linux programs (some virtual machines lack that
# mode), the loader does not start by itself; the session's commands then
# run in a user namespace of their own whose binfmt_misc hands such programs
# to qemu-i386, and nothing outside it changes. 32-bit programs run natively
# only where the loader starts by itself and no handler of the system's
# takes them either.
if [[ ${WINE_SESSION_I386:-} == emulated ]]; then
    unset WINE_SESSION_I386
    i386=emulated
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    # ELF header of a 32-bit x86 program or shared object.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":wine-i386:M::$magic:$mask:$(command -v qemu-i386):F" >/proc/sys/fs/binfmt_misc/register
elif [[ -x $WINE32 ]] && ! "$WINE32" --version >/dev/null 2>&1 && command -v qemu-i386 >/dev/null; then
    WINE_SESSION_I386=emulated exec unshare --user --map-root-user --mount "$BASH" "$0" "$@"
elif i386_handler_registered; then
    i386=emulated
else
    i386=native
fi

export WINEPREFIX=$WINE_SESSION_DIR/prefix
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installers asking at the first start.
export WINEDLLOVERRIDES="mscoree,mshtml="

display_file=$WINE_SESSION_DIR/display
xvfb_pid_file=$WINE_SESSION_DIR/xvfb.pid

stop_session() {
    if [[ -d $WINEPREFIX ]]; then "$WINESERVER" -k 2>/dev/null || true; fi
    if [[ -f $xvfb_pid_file ]]; then
        kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
        rm -f "$xvfb_pid_file" "$display_file"
    fi
}

case ${1:-} in
start)
    stop_session
    rm -rf "$WINE_SESSION_DIR"
    mkdir -p "$WINE_SESSION_DIR"
    # Xvfb picks a free display number and writes it to the descriptor.
    exec {fd}<> <(:)
    setsid Xvfb -displayfd "$fd" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
    echo $! >"$xvfb_pid_file"
    read -r -t 30 number <&"$fd" || { echo "Xvfb did not start" >&2; exit 1; }
    exec {fd}>&-
    echo ":$number" >"$display_file"
    DISPLAY=:$number "$WINE64" wineboot -i >/dev/null 2>&1
    # Xvfb has no window manager; a managed window would wait for one at
    # every dialog.
    DISPLAY=:$number "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINESERVER" -w
    ;;
run)
    shift
    DISPLAY=$(cat "$display_file")
    export DISPLAY
    exec "$WINE64" "$@"
    ;;
winpath)
    DISPLAY=$(cat "$display_file") "$WINE64" winepath -w "$2" 2>/dev/null
    ;;
wait)
    "$WINESERVER" -w
    ;;
native-i386)
    # Under the emulator a 32-bit program at times dies, hangs, or shows
    # neither dialog nor window for minutes, so its tests are skipped there.
    shift
    if [[ $i386 == emulated ]]; then
        echo "skipped: 32-bit programs run under an emulator here"
        exit 77
    fi
    echo "32-bit programs run natively"
    exec "$@"
    ;;
stop)
    stop_session
    ;;
*)
    echo "usage: $0 start | run PROGRAM [ARGS...] | winpath PATH | wait | native-i386 COMMAND... | stop" >&2
    exit 2
    ;;
esac
