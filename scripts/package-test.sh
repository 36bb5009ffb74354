#!/usr/bin/env bash
# Tests the Debian package as a user meets it: builds it with `make package`,
# installs it with apt-get, builds and runs the consumer programs against /usr
# with no path given (with CMake and with pkg-config), runs the installed
# storagexml, then removes the package and checks that none of its files is
# left. Needs root. Usage: scripts/package-test.sh [build directory]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

make package BUILD="$build"
deb=$(ls "$PWD/$build"/storagexml_*.deb)
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')
work=$(mktemp -d)
trap 'rm -rf "$work"; apt-get purge -y -qq storagexml >/dev/null 2>&1 || true' EXIT

echo "== apt-get install $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 --reinstall "$deb" >/dev/null

echo "== consumers built against /usr: find_package and pkg-config"
cmake -DWAYS="find_package;pkg-config" -DSOURCE_DIR="$PWD/tests/consumer/project" -DWORK_DIR="$work" \
  -DCC=cc -DCXX=c++ -DPKG_CONFIG=pkg-config -P tests/consumer/RunConsumer.cmake

echo "== the installed storagexml and its manual page"
/usr/bin/storagexml example | /usr/bin/storagexml check -
grep -q "storagexml format" /usr/share/man/man1/storagexml.1

echo "== apt-get remove storagexml"
apt-get remove -y -qq -o DPkg::Lock::Timeout=300 storagexml >/dev/null
left=0
for file in $files; do
  if [ -e "$file" ] || [ -L "$file" ]; then echo "left after removal: $file" >&2; left=1; fi
done
[ "$left" -eq 0 ]
# The maintainer scripts (ldconfig) are all that dpkg still lists: purge them.
apt-get purge -y -qq -o DPkg::Lock::Timeout=300 storagexml >/dev/null
echo "package test passed"
