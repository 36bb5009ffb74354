#!/usr/bin/env bash
# Checks that a build of the C interface exports exactly the functions that
# storagexml.h declares, that its .def file lists the same, and nothing else.
#   check-exports.sh HEADER DEF elf NM LIBRARY     (nm -D --defined-only)
#   check-exports.sh HEADER DEF pe OBJDUMP DLL      (the DLL's export table)
set -euo pipefail
header=$1 def=$2 format=$3 tool=$4 library=$5

declared=$(grep -o 'storagexml_[a-z0-9_]*(' "$header" | tr -d '(' | sort -u)
listed=$(sed -n 's/^ *\(storagexml_[a-z0-9_]*\) *$/\1/p' "$def" | sort)
case $format in
  elf) exported=$("$tool" -D --defined-only "$library" | awk '{ print $NF }' | sort) ;;
  pe) exported=$("$tool" -p "$library" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        awk 'NR > 1 && NF { print $NF }' | sort) ;;
  *) echo "usage: check-exports.sh HEADER DEF elf|pe TOOL LIBRARY" >&2; exit 2 ;;
esac

status=0
if ! diff <(echo "$declared") <(echo "$listed"); then
  echo "FAIL: the .def file (>) lists other functions than the header declares (<)" >&2
  status=1
fi
if ! diff <(echo "$declared") <(echo "$exported"); then
  echo "FAIL: $(basename "$library") exports (>) other names than the header declares (<)" >&2
  status=1
fi
[ $status -eq 0 ] &&
  echo "$(basename "$library"): exports the $(echo "$declared" | wc -l) functions storagexml.h declares, as the .def lists, and nothing else"
exit $status
