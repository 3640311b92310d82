#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# and makes the locales the tests switch to (a comma-decimal and a Turkish
# one beside C), when the machine lacks them.
set -euo pipefail
packages=(g++ cmake ninja-build ccache make qt6-base-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev zlib1g-dev
  libjpeg62-turbo-dev fonts-liberation2 fonts-dejavu-core xvfb xauth poppler-utils locales)
test_locales=(de_DE tr_TR)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# locale -a lists "de_DE.utf8" for de_DE.UTF-8.
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | tr -d '-')
for l in "${test_locales[@]}"; do
  want=$(echo "$l.utf8" | tr 'A-Z' 'a-z')
  if ! grep -qx "$want" <<<"$have"; then
    echo "Making the locale $l.UTF-8"
    $sudo localedef -i "$l" -f UTF-8 "$l.UTF-8"
  fi
done
