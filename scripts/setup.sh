#!/usr/bin/env bash
# One-step setup: installs the Debian packages that are missing, builds into
# build/, registers the component, then either starts tilebridge (run) or
# runs the whole test suite through ctest (test): plain, then under
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, then the
# fuzzing targets for a bounded time in build-fuzz/ (clang).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-run}
case "$mode" in
    run | test) ;;
    *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils xclip imagemagick libx11-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
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

build build-asan all -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

build build-fuzz fuzzers -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$(nproc)"
