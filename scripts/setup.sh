#!/usr/bin/env bash
# Installs what building and testing Brelvano needs on Debian 12, only what is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev mdbtools poppler-utils
          clang-format locales
          # the package test: building, checking and unpacking the .deb
          dpkg-dev lintian desktop-file-utils appstream man-db)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The conversions are also tested under C-library locales with a decimal comma, and run.sh's demo
# runs under it_IT.UTF-8. They are listed in /etc/locale.gen and made by locale-gen, so that they
# survive the next locale-gen (which rebuilds every locale from that list).
locales=(it_IT.UTF-8 de_DE.UTF-8)
installed_locales() { locale -a 2>/dev/null | sed 's/\.utf-\?8$/.UTF-8/I'; }
missing_locales=()
for l in "${locales[@]}"; do
    installed_locales | grep -xF "$l" >/dev/null || missing_locales+=("$l")
done
if ((${#missing_locales[@]})); then
    for l in "${missing_locales[@]}"; do
        if grep -q "^# *$l UTF-8" /etc/locale.gen 2>/dev/null; then
            "${sudo_cmd[@]}" sed -i "s/^# *$l UTF-8/$l UTF-8/" /etc/locale.gen
        elif ! grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null; then
            echo "$l UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
        fi
    done
    "${sudo_cmd[@]}" locale-gen >/dev/null
    for l in "${missing_locales[@]}"; do
        installed_locales | grep -xF "$l" >/dev/null || echo "Could not generate the locale $l" >&2
    done
fi
