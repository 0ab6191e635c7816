#!/usr/bin/env bash
# Installs what building, booting and testing need; quiet when all is there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libxml2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-wqy-microhei libpng-dev libwebp-dev libsdl2-dev
  clang libclang-rt-14-dev clang-format
  xvfb x11-utils x11-apps xdotool
  e2fsprogs
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: installing ${missing[*]} needs root (run as root or with sudo)" >&2
  exit 1
fi
echo "setup: installing ${missing[*]}"
echo "setup: apt-get is fetching and unpacking them; this takes a minute or two"
export DEBIAN_FRONTEND=noninteractive
echo "setup: reading the package lists"
apt-get update -qq >/dev/null
echo "setup: downloading and installing ${#missing[@]} packages"
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
