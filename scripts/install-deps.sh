#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail
packages=(g++ cmake ninja-build ccache make qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev zlib1g-dev
  libjpeg62-turbo-dev fonts-liberation2 fonts-dejavu-core xvfb xauth poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
