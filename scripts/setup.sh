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
# recommended desktop extras; Wine's 32-bit half (from the i386
# architecture) with qemu-user for kernels that cannot run 32-bit programs;
# NSIS for the setup programs.
windows_packages=(mingw-w64 wine64 wine64-tools libwine-dev wine32:i386 qemu-user nsis)

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
    if ((${#missing_windows[@]})) && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
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

build build all -DTILEBRIDGE_WERROR=ON
build/bin/regsvr build/lib/libbitstrings.so
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The Windows DLLs are built and tested once, in build/.
build build-asan all -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTILEBRIDGE_WINDOWS=OFF
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

build build-fuzz fuzzers -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_FUZZ=ON -DTILEBRIDGE_WINDOWS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$(nproc)"
