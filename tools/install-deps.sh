#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the project builds, tests and runs with, when
# any is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libxkbcommon-x11-0 fonts-dejavu-core
  clang libclang-rt-14-dev
  xvfb xauth x11-utils xdotool xclip
  python3
  librsvg2-bin scdoc desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  echo "Installing ${missing[*]} with sudo (not running as root)." >&2
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
