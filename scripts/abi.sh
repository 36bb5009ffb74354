#!/usr/bin/env bash
# Guards the binary interface of the shared libraries against the baselines
# in abi/ (made by libabigail's abidw from a build with debug information,
# kept xz-compressed).
#   scripts/abi.sh check      fails when a library breaks its baseline's ABI
#                             while keeping the baseline's SONAME, or when a
#                             shared library has no baseline
#   scripts/abi.sh baseline   writes the baselines anew from the current code
# Additions (a new function or variable) pass and are reported. Any other
# change (a removed or changed function, a type of another size or layout)
# passes only with a new SONAME, that is, with the major version moved.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:?usage: scripts/abi.sh check|baseline}
scripts/deps.sh abigail-tools xz-utils

build=build-abi
prefix=$PWD/$build/prefix
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTORAGEXML_BUILD_TESTS=OFF \
  -DSTORAGEXML_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" >/dev/null
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libstoragexml.so.*.*' | head -n 1)")

soname() { objdump -p "$1" | awk '$1 == "SONAME" { print $2 }'; }
describe() { # LIBRARY -> its ABI as XML on standard output
  abidw --no-corpus-path --no-comp-dir-path --no-show-locs "$1"
}

libraries=()
for library in "$libdir"/lib*.so.*.*.*; do libraries+=("$library"); done

if [ "$mode" = baseline ]; then
  rm -f abi/*.abi.xz
  mkdir -p abi
  for library in "${libraries[@]}"; do
    name=$(soname "$library")
    describe "$library" | xz -9 >"abi/${name%%.so*}.abi.xz"
    echo "baseline abi/${name%%.so*}.abi.xz ($name)"
  done
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for library in "${libraries[@]}"; do
  name=$(soname "$library")
  baseline=abi/${name%%.so*}.abi.xz
  if [ ! -f "$baseline" ]; then
    echo "$name: no ABI baseline; run scripts/abi.sh baseline" >&2
    failed=1
    continue
  fi
  xz -dc "$baseline" >"$work/baseline.abi"
  old=$(sed -n "1s/.* soname='\([^']*\)'.*/\1/p" "$work/baseline.abi")
  # Whether anything but additions changed; then what changed at all.
  status=0
  abidiff --no-added-syms "$work/baseline.abi" "$library" >"$work/report" || status=$?
  if [ $((status & 3)) -ne 0 ]; then
    cat "$work/report" >&2
    echo "$name: abidiff failed ($status)" >&2
    failed=1
  elif [ "$status" -ne 0 ] && [ "$old" = "$name" ]; then
    cat "$work/report" >&2
    echo "$name: incompatible with its baseline under the same SONAME: move the major version" >&2
    failed=1
  elif [ "$status" -ne 0 ]; then
    echo "$name: incompatible with its baseline ($old), under a new SONAME"
  elif ! abidiff "$work/baseline.abi" "$library" >"$work/report"; then
    cat "$work/report"
    echo "$name: grown compatibly since its baseline"
  else
    echo "$name: as its baseline"
  fi
done
exit "$failed"
