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
  weston qt6-wayland dbus at-spi2-core python3-pyatspi
  orca speech-dispatcher openbox
  python3 locales
  gettext qt6-translations-l10n fonts-droid-fallback
  libedit-dev
  librsvg2-bin scdoc desktop-file-utils appstream man-db groff-base dpkg-dev file lintian
)

# The Qt tests also run under a decimal-comma locale and under Turkish
# letter case.
locales=(de_DE.UTF-8 tr_TR.UTF-8)

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ ${#sudo[@]} -gt 0 ] && echo "Installing ${missing[*]} with sudo (not running as root)." >&2
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

for l in "${locales[@]}"; do
  # locale -a spells them de_DE.utf8.
  if ! locale -a | grep -qix "${l%.UTF-8}.utf8"; then
    "${sudo[@]}" sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -qx "${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    generate=1
  fi
done
if [ -n "${generate:-}" ]; then "${sudo[@]}" locale-gen >/dev/null; fi
