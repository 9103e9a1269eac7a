#!/usr/bin/env bash
# Configures (once) and builds Brelvano into build/ (or $BRELVANO_BUILD_DIR). Installs nothing:
# run.sh and test.sh, the entry points, run setup.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BRELVANO_BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)"
