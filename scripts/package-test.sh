#!/usr/bin/env bash
# Tests the Debian packages as a user meets them: builds them with
# `make package`, checks each with lintian (no error, no warning), installs
# them all with apt-get, builds and runs the consumer programs (C++ with CMake
# and pkg-config, C) and a Python script against /usr with no path given,
# runs the installed storagexml, then purges them and
# checks that none of their files or folders is left. Needs root.
# Usage: scripts/package-test.sh [build directory]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/deps.sh lintian

make package BUILD="$build"
debs=("$PWD/$build-package"/*.deb)
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
echo "== packages: ${names[*]}"
for expected in libstoragexml1 libstoragexml-dev storagexml python3-storagexml; do
  [[ " ${names[*]} " == *" $expected "* ]] || { echo "no package $expected" >&2; exit 1; }
done

echo "== lintian"
report=$(lintian --fail-on none "${debs[@]}" 2>&1 | grep -v '^running with root privileges' || true)
if [ -n "$report" ]; then
  echo "$report" >&2
  exit 1
fi

# Everything the packages hold, folders included; headers only under /usr/include/storagexml.
paths=$(for deb in "${debs[@]}"; do dpkg-deb -c "$deb" | awk '{ sub(/^\./, "", $6); sub(/\/$/, "", $6); print $6 }'; done |
  sort -u)
if grep '^/usr/include/' <<<"$paths" | grep -v '^/usr/include/storagexml\(/\|$\)'; then
  echo "headers outside /usr/include/storagexml" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"; apt-get purge -y -qq "${names[@]}" >/dev/null 2>&1 || true' EXIT
# The folders that exist before the install stay; the rest must go with the purge.
absent=$(for path in $paths; do [ -e "$path" ] || [ -L "$path" ] || echo "$path"; done)

echo "== apt-get install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 --reinstall "${debs[@]}" >/dev/null

echo "== consumers built against /usr: find_package and pkg-config"
cmake -DWAYS="find_package;pkg-config" -DSOURCE_DIR="$PWD/tests/consumer/project" -DWORK_DIR="$work" \
  -DCC=cc -DCXX=c++ -DPKG_CONFIG=pkg-config -P tests/consumer/RunConsumer.cmake

# Reads an example and writes it back with the Python package that PYTHON finds.
python_reads() {
  (cd "$work" && env -u STORAGEXML_LIBRARY -u PYTHONPATH "$1" - "$OLDPWD/examples/inventory.xml" <<'PY'
import sys
import storagexml as sx
array = sx.load(sys.argv[1])
assert sx.loads(sx.dumps(array)) == array and array.items, "the example did not read back equal"
print("%s: %d items read back equal" % (sys.executable, len(array.items)))
PY
  )
}
echo "== the installed Python package, with the system's Python and nothing set"
python_reads /usr/bin/python3
echo "== pip install ./python, offline, in a fresh virtual environment, over the installed library"
scripts/deps.sh python3-venv
/usr/bin/python3 -m venv "$work/venv"
"$work/venv/bin/pip" install -q --no-index --no-build-isolation ./python
python_reads "$work/venv/bin/python"

echo "== the installed storagexml and its manual page"
/usr/bin/storagexml example | /usr/bin/storagexml check -
zgrep -q "storagexml format" /usr/share/man/man1/storagexml.1.gz

echo "== apt-get purge"
apt-get purge -y -qq -o DPkg::Lock::Timeout=300 "${names[@]}" >/dev/null
left=0
for path in $absent; do
  if [ -e "$path" ] || [ -L "$path" ]; then echo "left after purge: $path" >&2; left=1; fi
done
[ "$left" -eq 0 ]
echo "package test passed"
