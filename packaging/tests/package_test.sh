#!/usr/bin/env bash
# The Debian package on this machine, as a user meets it: built by the setup
# command, checked by lintian, installed (over an earlier installation too),
# used by an ordinary user with an empty home folder who never registered
# anything, and purged without leaving a file or a registration behind.
# Usage: package_test.sh SOURCE_DIR VERSION E2E_TEST
set -euo pipefail
source_dir=$1 version=$2 e2e_test=$3
readonly skip=77 registry=/var/lib/com-registry

if ((EUID != 0)); then
    echo "The package test installs and removes the package tilebridge: it needs root." >&2
    exit $skip
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$source_dir/scripts/setup.sh" package
deb=$source_dir/build-deb/tilebridge_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no package $deb"

echo "== lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

echo "== the package's fields"
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --field "$deb" Depends | grep -q libqt6widgets6 || fail "the dependencies don't name Qt's widgets"

# apt, as a user installs a package file: it waits while another apt or
# dpkg holds the lock, and reinstalls the same version over itself.
apt() { DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=900 "$@"; }

echo "== install"
apt install --reinstall "$deb"
mapfile -t installed < <(dpkg -L tilebridge)

work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT

echo "== comcall as an ordinary user who never registered anything"
home=$work/home
mkdir "$home"
chown nobody:nogroup "$home"
bits=$(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin \
    comcall Project1.Binary GetStringBits AB) || fail "comcall failed"
[[ $bits == 0100000101000010 ]] || fail "GetStringBits AB gave '$bits'"
[[ -z $(ls -A "$home") ]] || fail "the user's home folder is no longer empty: $(ls -A "$home")"

echo "== tilebridge from /usr/bin draws a shared file, chosen and opened with it, with nothing registered for the user"
rm -rf "$home" && mkdir "$home"
env -i HOME="$home" PATH=/usr/bin:/bin TILEBRIDGE_PROGRAM=/usr/bin/tilebridge \
    "$e2e_test" --gtest_filter='*/NesFileIsDrawnAtLoad:*/AFileOpenedWith*' || fail "the installed tilebridge"

echo "== purge"
apt purge tilebridge
for path in "${installed[@]}"; do
    [[ -e $path ]] || continue
    # Folders that other packages share stay.
    [[ -d $path ]] && dpkg -S "$path" >/dev/null 2>&1 && continue
    fail "$path is still there"
done
if [[ -e $registry ]]; then
    ! grep -rq 'Project1\|_Binary' "$registry" || fail "the machine's registry still holds bitstrings"
fi
echo "package installed, used and purged cleanly"
