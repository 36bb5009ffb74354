#!/usr/bin/env bash
# The demo: writes the example document with `storagexml example`, checks it
# and every document under examples/, then runs the host example program.
# Documents named bad-*.xml are broken on purpose and must be reported
# invalid; every other document must be ok.
# Usage: scripts/demo.sh BUILD_DIR
#        scripts/demo.sh STORAGEXML HOST_EXAMPLE [RUNNER...]
# The second form names the two programs, and a command that runs them (Wine,
# for a Windows build).
# Exit 0 when every document gave the expected answer and the host example ran.
set -euo pipefail

usage="usage: scripts/demo.sh BUILD_DIR | STORAGEXML HOST_EXAMPLE [RUNNER...]"
if [ $# -eq 1 ]; then
  build=$(cd "${1:?$usage}" && pwd)
  set -- "$build/tools/storagexml" "$build/examples/storagexml-host-example"
fi
[ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
tool_program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
host_program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
shift 2
runner=("$@")
for program in "$tool_program" "$host_program"; do
  [ -f "$program" ] || { echo "demo: $program is not built" >&2; exit 2; }
done
tool() { "${runner[@]}" "$tool_program" "$@"; }
host() { "${runner[@]}" "$host_program" "$@"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=()
good=0
bad=0

section() { printf '\n== %s\n' "$*"; }

# Checks one document from directory $1 and compares the exit code with the
# one expected from its name: 1 for bad-*.xml, 0 for the others.
check() {
  local dir=$1 file=$2 expected=0 status=0 output
  [[ $(basename "$file") == bad-* ]] && expected=1
  output=$(cd "$dir" && tool check "$file" 2>&1) || status=$?
  printf '%s\n' "$output" | sed 's/^/  /'
  if [ "$status" -ne "$expected" ]; then
    failures+=("$file: exit $status, expected $expected")
  elif [ "$expected" -eq 1 ]; then
    bad=$((bad + 1))
  else
    good=$((good + 1))
  fi
}

section "storagexml example -o example.xml (first lines)"
(cd "$work" && tool example -o example.xml)
head -n 16 "$work/example.xml" | sed 's/^/  /'
echo "  ... $(wc -l <"$work/example.xml") lines in all"

section "storagexml check example.xml"
check "$work" example.xml

section "storagexml check examples/*.xml: good documents"
for file in "$root"/examples/*.xml; do
  [[ $(basename "$file") == bad-* ]] || check "$root" "examples/$(basename "$file")"
done

section "storagexml check examples/bad-*.xml: broken on purpose, each must be reported invalid"
for file in "$root"/examples/bad-*.xml; do
  check "$root" "examples/$(basename "$file")"
done

section "examples/host: build, write, read back, catch a failure"
if ! host | sed 's/^/  /'; then
  failures+=("storagexml-host-example failed")
fi

section "summary"
echo "  $good good documents ok, $bad broken documents reported invalid, as expected"
if [ ${#failures[@]} -ne 0 ]; then
  printf '  UNEXPECTED: %s\n' "${failures[@]}"
  exit 1
fi
echo "  demo passed"
