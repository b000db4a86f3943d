#!/usr/bin/env bash
# One-step setup on Debian 12: installs the Debian packages that are missing
# for the chosen mode, then
# - run: builds the viewer and the component into build/ (no tests, no
#   Windows builds, warnings allowed), registers the component for the user
#   and starts tilebridge;
# - package: builds the Debian package build-deb/tilebridge_VERSION_ARCH.deb
#   for the prefix /usr, with Debian's build flags;
# - test: builds everything into build/ with warnings as errors (with
#   bitstrings.dll for Windows in build/win32/ and build/win64/), registers
#   the component and runs the whole test suite through ctest: plain, with
#   the Windows DLLs tested under Wine and the Debian package installed,
#   used and removed, then under AddressSanitizer and
#   UndefinedBehaviorSanitizer in build-asan/, then the fuzzing targets for
#   a bounded time in build-fuzz/ (clang).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-run}
case "$mode" in
    run | package | test) ;;
    *) echo "usage: $0 [run|package|test]" >&2; exit 2 ;;
esac

# What building and running the viewer, the console converter (libpng for its
# pictures) and the component needs.
run_packages=(cmake ninja-build g++ qt6-base-dev libpng-dev)
# dpkg-shlibdeps for the package's dependencies, and file, which CPack uses
# to find the programs and libraries in it.
package_packages=(dpkg-dev file)
# Tests, benchmarks, sanitizers and fuzzers, the real-window test, and the
# checkers of the package, the desktop entry and the AppStream metadata.
test_packages=(clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils xclip
               imagemagick libx11-dev lintian desktop-file-utils appstream locales)
# The cross compilers, Wine and Wine's IDL compiler, without Wine's
# recommended desktop extras; Wine's 32-bit half (from the i386
# architecture) with qemu-user for kernels that cannot run 32-bit programs;
# NSIS for the setup programs.
windows_packages=(mingw-w64 wine64 wine64-tools libwine-dev wine32:i386 qemu-user nsis)

wanted=("${run_packages[@]}")
wanted_windows=()
case "$mode" in
    package) wanted+=("${package_packages[@]}") ;;
    test)
        wanted+=("${package_packages[@]}" "${test_packages[@]}")
        wanted_windows=("${windows_packages[@]}")
        ;;
esac

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
mapfile -t missing < <(missing_of "${wanted[@]}")
mapfile -t missing_windows < <(missing_of "${wanted_windows[@]}")
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
# The Wine tests also run programs under the Japanese locale, as on
# Japanese Windows (ANSI code page 932). Wine reads Linux file names in the
# locale's character set, which glibc knows only for a generated locale.
if [[ $mode == test ]] && ! locale -a | grep -qx 'ja_JP.utf8'; then
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

build() { # build-dir, target, extra cmake options...
    local dir=$1 target=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)" --target "$target"
}

# Only what the program needs, built by whatever compiler the machine has.
program_only=(-DTILEBRIDGE_WERROR=OFF -DTILEBRIDGE_WINDOWS=OFF -DBUILD_TESTING=OFF -DTILEBRIDGE_BENCHMARKS=OFF)

if [[ $mode == run ]]; then
    build build all "${program_only[@]}"
    build/bin/regsvr build/lib/libbitstrings.so
    echo "Registered build/lib/libbitstrings.so as Project1.Binary."
    exec build/bin/tilebridge
fi

if [[ $mode == package ]]; then
    # Debian's flags, with every hardening feature.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    ldflags=$(dpkg-buildflags --get LDFLAGS)
    build build-deb package "${program_only[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
        -DCMAKE_MODULE_LINKER_FLAGS="$ldflags"
    exit 0
fi

build build all -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_WINDOWS=ON -DBUILD_TESTING=ON -DTILEBRIDGE_BENCHMARKS=ON
build/bin/regsvr build/lib/libbitstrings.so
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The Windows DLLs and the package are built and tested once, in build/.
build build-asan all -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTILEBRIDGE_WINDOWS=OFF
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

build build-fuzz fuzzers -DTILEBRIDGE_WERROR=ON -DTILEBRIDGE_FUZZ=ON -DTILEBRIDGE_WINDOWS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
ctest --test-dir build-fuzz --output-on-failure -L fuzz -j "$(nproc)"
