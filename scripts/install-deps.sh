#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the designer need; only the missing ones.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev googletest
  fonts-wine fonts-liberation
  xvfb xauth imagemagick
  qt6-translations-l10n
  qt6-webengine-dev libxcb1-dev
  libisofs-dev libxml2-dev xorriso duktape-dev
  libjs-jquery libjs-underscore libjs-bootstrap5
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 wine wine64 openbox x11-utils xdotool
  genisoimage time shellcheck zip nsis osslsigncode
  dpkg-dev lintian appstream desktop-file-utils man-db scdoc
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The Windows programs, built once per machine into a cache outside the checkout and then reused:
# the libraries of qvr.exe (libxml2, libisofs; a few minutes) and Qt for the designer (about 25
# minutes on 2 cores), both from Debian's sources. Skipped with --no-windows (./run.sh, which starts
# the Linux designer only).
if [ "${1:-}" != "--no-windows" ] && command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  "$(dirname "$0")/build-windows-deps.sh" >/dev/null
  "$(dirname "$0")/build-windows-qt.sh"
fi
