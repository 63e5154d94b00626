#!/usr/bin/env bash
# Installs every Debian package the build, the programs and the tests need.
# Safe to run again: packages already present are left alone. Arguments name
# further packages to install the same way.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev-tools qt6-base-private-dev
  qt6-declarative-dev qt6-webengine-dev qt6-webengine-dev-tools
  qt6-httpserver-dev qt6-websockets-dev
  libgl-dev libglx-dev libopengl-dev
  libgtest-dev libgmock-dev
  qt6-qpa-plugins
  fonts-arphic-uming fonts-wqy-zenhei xfonts-wqy
  xvfb xauth x11-utils xdotool trayer openbox imagemagick libxcb1-dev weston qt6-wayland
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  xdg-utils desktop-file-utils appstream dpkg-dev help2man lintian
  systemd
  strace procps passwd e2fsprogs
  g++-mingw-w64-x86-64-posix
  # Packages a caller needs beyond these, such as the fuzzing script's compiler.
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: these packages are missing and need root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
