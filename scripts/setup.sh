#!/usr/bin/env bash
# One-step setup: installs the Debian packages that are missing, builds into
# build/ (with bitstrings.dll for Windows in build/win32/ and build/win64/),
# registers the component, then either starts tilebridge (run) or runs the
# whole test suite through ctest (test): plain, with the Windows DLLs tested
# under Wine, then under AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/, then the fuzzing targets for a bounded time in build-fuzz/
# (clang).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-run}
case "$mode" in
    run | test) ;;
    *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils xclip imagemagick libx11-dev)
# The cross compilers, Wine and Wine's IDL compiler, without Wine's
# recommended desktop extras.
windows_packages=(mingw-w64 wine64 wine64-tools libwine-dev)

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_windows < <(missing_of "${windows_packages[@]}")
if ((${#missing[@]} + ${#missing_windows[@]})); then
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    echo "Installing: ${missing[*]} ${missing_windows[*]}"
    "${sudo[@]}" apt-get update -qq
    if ((${#missing[@]})); then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
    fi
    if ((${#missing_windows[@]})); then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing_windows[@]}"
    fi
fi

build() { # build-dir, target, extra cmake options...
    local dir=$1 target=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target "$target"
}

if [[ $mode == run ]]; then
    build build all -DTILEBRIDGE_WERROR=ON
    build/bin/regsvr build/lib/libbitstrings.so
    echo "Registered build/lib/libbitstrings.so as Project1.Binary."
    if [[ -x build/bin/tilebridge ]]; then
        exec build/bin/tilebridge
    fi
    exit 0
fi

# The 32-bit tilebridge.exe is tested on Wine's 32-bit side, from the i386
# architecture's packages.
sudo=()
((EUID == 0)) || sudo=(sudo)
if [[ -n $(missing_of wine32:i386) ]]; then
    "${sudo[@]}" dpkg --add-architecture i386
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends wine32:i386
fi
# A kernel without 32-bit support runs Wine's 32-bit loader under qemu's
# user-mode emulator, registered for 32-bit x86 programs.
binfmt=/proc/sys/fs/binfmt_misc
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [[ ! -e $binfmt/tilebridge-i386 ]]; then
    if [[ -n $(missing_of qemu-user) ]]; then
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends qemu-user
    fi
    # Without it the 32-bit program's tests fail and say so; the rest still runs.
    { [[ -e $binfmt/register ]] || "${sudo[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"; } &&
        printf '%s' ':tilebridge-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
        "${sudo[@]}" tee "$binfmt/register" >/dev/null ||
        echo "32-bit x86 programs can't run here: the 32-bit Windows tests will fail." >&2
fi

build build all -DTILEBRIDGE_WERROR=ON
build/bin/regsvr build/lib/libbitstrings.so
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The Windows DLLs are built and tested once, in build/.
build build-asan all -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTILEBRIDGE_WINDOWS=OFF
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

build build-fuzz fuzzers -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_FUZZ=ON -DTILEBRIDGE_WINDOWS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$(nproc)"
