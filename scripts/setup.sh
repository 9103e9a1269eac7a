#!/usr/bin/env bash
# Installs what building and testing Brelvano needs on Debian 12, only what is missing.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev mdbtools poppler-utils
          clang-format locales)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The conversions are also tested under C-library locales with a decimal comma: make sure the
# two the tests use exist (Qt's own locale data needs nothing installed).
if command -v localedef >/dev/null && ! locale -a 2>/dev/null | grep -qi '^it_IT\.utf-\?8$'; then
    localedef -i it_IT -f UTF-8 it_IT.UTF-8 2>/dev/null || true
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || true
fi
