#!/usr/bin/env bash
# Builds everything and runs every test (unit, end-to-end and window tests, offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build_dir=${BRELVANO_BUILD_DIR:-build}

# Formatting is a file, not a debate: every tracked source must match .clang-format.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t sources < <(git ls-files '*.cpp' '*.h')
    if ((${#sources[@]})); then
        clang-format --dry-run --Werror "${sources[@]}"
    fi
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@"
