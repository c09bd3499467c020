#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# As root it runs `apt-get update` once and `apt-get install -y`; otherwise it
# prints the one command to run and fails.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev octave liboctave-dev valgrind
          liblemon-dev libboost-graph-dev)
if [ "${LABRIX_EXTRA_PACKAGES:-}" != "" ]; then
  read -r -a extra <<<"$LABRIX_EXTRA_PACKAGES"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
