#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing. As root it runs apt-get; otherwise it prints the line to run and fails.
# Usage: scripts/deps.sh [extra packages...]
set -euo pipefail

# libxml2-dev: the parser of the library; libexpat1-dev: the benchmark's yardstick.
packages=(cmake g++ make pkg-config libxml2-dev libexpat1-dev libgtest-dev libcli11-dev libxml2-utils rapidjson-dev
          python3-jsonschema python3-pytest "$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
