#!/usr/bin/env bash
# Installs the Debian packages Vireo needs to build, test and run, skipping those present.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libgl-dev fonts-dejavu-core
  libgtest-dev googletest libbenchmark-dev
  dbus dbus-bin dbus-daemon libglib2.0-bin
  fpc libdbus-1-dev
  lcl-units-2.2
  desktop-file-utils dpkg-dev
  qt6-httpserver-dev qt6-websockets-dev libprotobuf-dev protobuf-compiler zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
