#!/usr/bin/env bash
# Checks of a Windows build that only its binaries can show, run with the
# mingw-w64 binutils.
#   check-dlls.sh exports OBJDUMP NM CXXFILT DLL...
#     each DLL exports only names of the NqXmlLib3, Storage and StorageLib
#     namespaces (the C interface's DLL only storagexml_ functions), and runs
#     no code of ours when it is loaded (no static initializer);
#   check-dlls.sh installed OBJDUMP BUILD_DIR WORK_DIR RUNNER...
#     `cmake --install` gives a tree whose bin/ runs with nothing else: every
#     DLL a program or DLL there imports is beside it or one that Windows ships;
#     the tree has the import libraries (storagexml-c.lib for MSVC-ABI hosts
#     too, with the .def it is made from), the CMake package, the headers and
#     the schema; and its storagexml.exe runs.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

exports() {
  local objdump=$1 nm=$2 cxxfilt=$3 dll outside count
  shift 3
  for dll in "$@"; do
    names=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }')
    count=$(printf '%s\n' "$names" | grep -c . || true)
    [ "$count" -gt 0 ] || fail "$dll exports nothing"
    if [ "$(basename "$dll")" = libstoragexml-c.dll ]; then
      outside=$(printf '%s\n' "$names" | grep -v -E '^storagexml_[a-z0-9_]+$' || true)
    else
      outside=$(printf '%s\n' "$names" | "$cxxfilt" |
        sed -E 's/^(typeinfo name for|typeinfo for|vtable for|VTT for|construction vtable for|non-virtual thunk to|virtual thunk to|covariant return thunk to|guard variable for) //' |
        grep -v -E '^([^(<]* )?(NqXmlLib3|Storage|StorageLib)::' || true)
    fi
    [ -z "$outside" ] || fail "$dll exports names outside the library's namespaces:"$'\n'"$outside"
    initializers=$("$nm" "$dll" | grep -E '_GLOBAL__sub_I|_GLOBAL__I_' || true)
    [ -z "$initializers" ] || fail "$dll runs static initializers when loaded:"$'\n'"$initializers"
    echo "$(basename "$dll"): $count exports, all in the library's namespaces; no static initializer"
  done
}

# DLLs every Windows ships (the system's own and the C runtime msvcrt.dll).
system_dll() {
  case "${1,,}" in
    kernel32.dll|user32.dll|advapi32.dll|shell32.dll|ole32.dll|ws2_32.dll|msvcrt.dll|ntdll.dll|psapi.dll|bcrypt.dll|api-ms-win-*) return 0 ;;
  esac
  return 1
}

installed() {
  local objdump=$1 build=$2 work=$3 prefix
  shift 3
  prefix=$work/prefix
  rm -rf "$work"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  for file in bin/libstoragexml-runtime.dll bin/libstoragexml.dll bin/libstoragexml-c.dll bin/storagexml.exe \
              lib/libstoragexml-runtime.dll.a lib/libstoragexml.dll.a lib/libstoragexml-c.dll.a \
              lib/storagexml-c.def lib/storagexml-c.lib lib/cmake/StorageXml/StorageXmlConfig.cmake \
              include/storagexml/storage/Storage.h include/storagexml/runtime/NqXmlLib3.h include/storagexml/storagexml.h \
              share/StorageXml/Storage.xsd share/StorageXml/Storage.schema.json; do
    [ -f "$prefix/$file" ] || fail "the installed tree has no $file"
  done
  for binary in "$prefix"/bin/*.exe "$prefix"/bin/*.dll; do
    for import in $("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p'); do
      system_dll "$import" || [ -f "$prefix/bin/$import" ] ||
        fail "$(basename "$binary") needs $import, which is neither installed beside it nor part of Windows"
    done
  done
  version=$("$@" "$prefix/bin/storagexml.exe" --version)
  [ "$version" = "storagexml $(sed -n 's/^project(StorageXml VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")" ] ||
    fail "the installed storagexml.exe printed [$version]"
  echo "installed tree: complete, every import resolved, $version"
}

mode=${1:?usage: check-dlls.sh exports|installed ...}
shift
"$mode" "$@"
exit $status
