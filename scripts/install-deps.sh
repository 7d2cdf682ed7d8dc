#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need, if any is missing.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev libqt6opengl6-dev qt6-serialport-dev qt6-charts-dev fonts-liberation)
if [ "${1:-test}" = test ]; then
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev locales)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
