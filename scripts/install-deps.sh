#!/bin/sh
# Installs the Debian packages the builds and tests need; does nothing when all are there.
set -eu
packages="cmake ninja-build g++ gcc g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xauth
libgtest-dev googletest libbenchmark-dev clang libclang-rt-14-dev imagemagick fonts-wine python3
python3-vobject nsis p7zip-full"
missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
