#!/usr/bin/env bash
# Installs the Debian packages Kettleworth builds and tests with, when any is missing.
# Runs as root or through sudo; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  libbenchmark-dev libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  clang libclang-rt-14-dev
  fonts-dejavu-core xdg-utils
  python3 time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
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
