#!/usr/bin/env bash
# Installs what the Windows cross build needs: the mingw-w64 toolchain and Wine
# from Debian, and the sources of libxml2 (the library's parser) and Expat
# (the benchmark's yardstick) from Debian's own source packages.
# apt's source download needs deb-src entries; they are derived from the
# machine's own Debian source lists, so no host name is written here.
# Usage: scripts/windows-deps.sh DIR   (the sources are unpacked below DIR)
set -euo pipefail
dir=${1:?usage: scripts/windows-deps.sh DIR}

scripts/deps.sh g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev

if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "apt has no deb-src entries: add them, then run apt-get update" >&2
    exit 1
  fi
  src=/etc/apt/sources.list.d/storagexml-deb-src.sources
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ "$f" = "$src" ] && continue
      grep -q '^URIs:.*debian' "$f" || continue
      sed -e 's/^Types:.*/Types: deb-src/' "$f"
      echo
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n -e 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list |
        awk '{ $1=""; sub(/^ /, ""); print "Types: deb-src\nURIs: " $1 "\nSuites: " $2 "\nComponents: " substr($0, index($0, $3)) "\n" }'
    fi
  } >"$src"
  apt-get update -qq
fi

# The newest source version is tried first; a mirror may not carry every
# version it lists, so older ones are tried after it.
fetch_source() { # PACKAGE
  local package=$1 version
  ls -d "$dir/$package"-*/ >/dev/null 2>&1 && return
  mkdir -p "$dir"
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -r -V | uniq); do
    rm -rf "${dir:?}/$package"[-_]*
    if (cd "$dir" && apt-get source -qq "$package=$version" >/dev/null 2>&1); then
      return
    fi
  done
  echo "could not download the source package $package" >&2
  exit 1
}

fetch_source libxml2
fetch_source expat
