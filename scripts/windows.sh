#!/usr/bin/env bash
# Cross-builds the libraries, the program, the examples and every test for
# 64-bit Windows with mingw-w64, and runs them under Wine.
#   scripts/windows.sh build   installs what is missing, builds build-windows/
#   scripts/windows.sh test [LINUX_BUILD]
#                              builds, runs the whole suite under Wine, then
#                              checks that storagexml.exe answers every
#                              document of examples/ exactly as the Linux
#                              build's storagexml does
# libxml2, Expat and GoogleTest are built for Windows from Debian's own
# sources into build-windows-deps/prefix; libxml2 is linked statically into the
# runtime DLL, Expat (the yardstick) into the benchmark.
# The header-only CLI11 and RapidJSON are copied there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
deps=$root/build-windows-deps
prefix=$deps/prefix
build=$root/build-windows
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${JOBS:-2}

export WINEPREFIX=${WINEPREFIX:-$build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

configure_dep() { # NAME SOURCE [cmake options...]
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$deps/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >/dev/null
}

build_expat() {
  [ -f "$prefix/lib/libexpat.a" ] && return
  local source
  source=$(ls -d "$deps"/expat-*/expat | head -n 1)
  configure_dep expat "$source" -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF \
    -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    -DEXPAT_BUILD_PKGCONFIG=OFF
  # Debian's patches test `#if XML_DTD == 1`, while Expat's CMake build
  # defines XML_DTD (and XML_GE, where present) with no value.
  sed -i -E 's/^#define (XML_DTD|XML_GE)$/#define \1 1/' "$deps/build-expat/expat_config.h"
  cmake --build "$deps/build-expat" -j"$jobs" >/dev/null
  cmake --install "$deps/build-expat" >/dev/null
}

# The parser and what it needs, nothing else: no converter library (the
# library reads the encodings libxml2 decodes itself, as on every system), no
# compression, no network, no catalogs, XInclude, schemas, HTML or Python.
# Threads stay on, so that libxml2 keeps its error state per thread.
build_libxml2() {
  [ -f "$prefix/lib/libxml2.a" ] && return
  local source option options=()
  source=$(ls -d "$deps"/libxml2-*/ | head -n 1)
  for option in C14N CATALOG DEBUG DOCB FTP HTML HTTP ICONV ICU ISO8859X LEGACY LZMA MODULES OUTPUT PATTERN \
                PROGRAMS PYTHON READER REGEXPS SAX1 SCHEMAS SCHEMATRON TESTS VALID WRITER XINCLUDE XPATH XPTR ZLIB; do
    options+=("-DLIBXML2_WITH_$option=OFF")
  done
  # LIBXML_STATIC for libxml2's own sources too: otherwise they mark some
  # of their functions for export, and the runtime DLL would export them.
  configure_dep libxml2 "$source" -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_FLAGS=-DLIBXML_STATIC \
    -DLIBXML2_WITH_PUSH=ON -DLIBXML2_WITH_THREADS=ON "${options[@]}"
  cmake --build "$deps/build-libxml2" -j"$jobs" >/dev/null
  cmake --install "$deps/build-libxml2" >/dev/null
}

build_gtest() {
  [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ] && return
  configure_dep googletest /usr/src/googletest -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
  cmake --build "$deps/build-googletest" -j"$jobs" >/dev/null
  cmake --install "$deps/build-googletest" >/dev/null
}

# CLI11 is header-only: its headers and package files serve any target.
copy_cli11() {
  [ -f "$prefix/share/cmake/CLI11/CLI11Config.cmake" ] && return
  mkdir -p "$prefix/include" "$prefix/share/cmake"
  cp -r /usr/include/CLI "$prefix/include/"
  cp -r /usr/share/cmake/CLI11 "$prefix/share/cmake/"
}

# RapidJSON is header-only too; Debian's package file names /usr/include, so
# one of the prefix's own names its copy of the headers.
copy_rapidjson() {
  [ -f "$prefix/share/cmake/RapidJSON/RapidJSONConfig.cmake" ] && return
  mkdir -p "$prefix/include" "$prefix/share/cmake/RapidJSON"
  cp -r /usr/include/rapidjson "$prefix/include/"
  echo 'get_filename_component(RAPIDJSON_INCLUDE_DIRS "${CMAKE_CURRENT_LIST_DIR}/../../../include" ABSOLUTE)' \
    >"$prefix/share/cmake/RapidJSON/RapidJSONConfig.cmake"
}

build() {
  scripts/deps.sh
  scripts/windows-deps.sh "$deps"
  build_libxml2
  build_expat
  build_gtest
  copy_cli11
  copy_rapidjson
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_ROOT_PATH="$prefix" >/dev/null
  cmake --build "$build" -j"$jobs"
}

# Runs `storagexml ARGS` in the repository's root and prints its exit code,
# standard output and standard error, for comparison.
answer() {
  local out err code=0
  out=$(mktemp) err=$(mktemp)
  "$@" >"$out" 2>"$err" || code=$?
  echo "exit $code"
  cat "$out"
  echo "-- stderr"
  cat "$err"
  rm -f "$out" "$err"
}

same_answers_as_linux() {
  local linux=$1 compared=0 different=0
  for document in examples/*.xml; do
    for command in "check $document" "format $document" "format --compact $document" "convert $document"; do
      # shellcheck disable=SC2086
      if ! diff <(answer "$linux" $command) <(answer wine "$build/bin/storagexml.exe" $command); then
        echo "storagexml.exe $command: differs from Linux (above: < Linux, > Windows)" >&2
        different=$((different + 1))
      fi
      compared=$((compared + 1))
    done
  done
  echo "storagexml.exe answered $((compared - different)) of $compared commands on examples/ as on Linux"
  [ "$different" -eq 0 ]
}

# One wineserver serves the whole run. Left to itself, Wine starts a server
# with the first program and stops it a few seconds after the last one ends;
# with programs starting and ending in parallel for minutes, a program can
# connect just as the server goes away ("wine client error: ... Connection
# reset by peer"). The prefix is created first, on its own, so that two first
# programs do not race to create it. Wine's own services start with the first
# program under the persistent server and live as long as it: they are
# started here, with their output sent nowhere, since a test that started
# them would hand them its output pipe and ctest would wait for it forever.
start_wineserver() {
  wineboot --init >/dev/null 2>&1
  wineserver --wait
  wineserver --persistent
  wineboot >/dev/null 2>&1 </dev/null
}

stop_wineserver() {
  wineserver --kill >/dev/null 2>&1 || true
}

# Runs the suite under Wine. A test that Wine itself dropped (its server
# closed the connection before the test ran) is run once more on a fresh
# server; any other failure stands, and so does a second one.
run_suite() {
  local log=$build/wine-ctest.log
  if (cd "$build" && ctest --output-on-failure -j"$jobs") 2>&1 | tee "$log"; then
    return 0
  fi
  grep -q '^wine client error' "$log" || return 1
  echo "Wine's server dropped a test program (above): running the failed tests once more"
  stop_wineserver
  start_wineserver
  (cd "$build" && ctest --rerun-failed --output-on-failure)
}

case "${1:-}" in
  build) build ;;
  test)
    build
    trap stop_wineserver EXIT
    start_wineserver
    run_suite
    linux=${2:-build}/tools/storagexml
    [ -x "$linux" ] || { echo "no Linux build at $linux to compare with: run make build" >&2; exit 1; }
    same_answers_as_linux "$linux"
    ;;
  *) echo "usage: scripts/windows.sh build|test" >&2; exit 2 ;;
esac
