#!/usr/bin/env bash
# Builds Brelvano (installing what is missing) and starts its window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build_dir=${BRELVANO_BUILD_DIR:-build}
program="$build_dir/src/brelvano"
[[ $program = /* ]] || program="$(pwd)/$program"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

cat <<MESSAGE
Brelvano is built, but no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so
its window cannot open here. Start it from a desktop session:

    $program

or run this command again there.
MESSAGE
