#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit, end-to-end and window
# tests, offscreen); then a generated roll imported into an Access 97 and a Jet 4 file and
# compared, the engine and the import once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded import under ThreadSanitizer, a one-minute fuzz run per
# target when clang's libFuzzer is there, and the Windows build with its tests under Wine
# (scripts/windows.sh). BRELVANO_QUICK=1 skips those last five.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
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
[ "${BRELVANO_QUICK:-0}" = 1 ] && exit 0

# A 20,000-document roll imported into an Access 97 file and into a Jet 4 file: the same rows in
# both under mdb-export, and both verify clean.
compare_dir=$(mktemp -d)
BRELVANO_BENCH_DIR=$compare_dir bash bench/jet3_import_compare.sh
rm -rf "$compare_dir"

# Configures (once) and builds the given targets in a build folder of its own.
build_variant() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
}

# Each test program runs whole, in one process: the sanitizers' start-up cost is paid once.
build_variant build-asan -DBRELVANO_SANITIZE=address
cmake --build build-asan -j "$(nproc)" --target mdb_tests api_tests import_tests
(
    cd build-asan/tests
    export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ./mdb_tests --gtest_brief=1
    ./api_tests --gtest_brief=1
    # TooManyOpenFiles leaves the process no file descriptor, and the sanitizer runtime needs one
    # to check a type (it reports an "invalid vptr" it cannot look at): it runs in the plain build.
    ./import_tests --gtest_brief=1 --gtest_filter='-TextFileReader.TooManyOpenFiles'
)

build_variant build-tsan -DBRELVANO_SANITIZE=thread
cmake --build build-tsan -j "$(nproc)" --target import_tests
(
    cd build-tsan/tests
    TSAN_OPTIONS=halt_on_error=1 ./import_tests --gtest_brief=1 \
        --gtest_filter='ReadAheadTest.*:ImportRunTest.*:InputCheckTest.*'
)

# A short fuzz run per target, seeded with the fixtures, when clang can build libFuzzer targets.
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if command -v clang++ >/dev/null &&
    echo "$probe" | clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
    CC=clang CXX=clang++ build_variant build-fuzz -DBRELVANO_FUZZ=ON
    cmake --build build-fuzz -j "$(nproc)" --target input_fuzz open_scan_fuzz
    corpus=$(mktemp -d)
    trap 'rm -rf "$corpus"' EXIT
    mkdir -p "$corpus/input" "$corpus/open"
    cp ../shared/fixtures/mdb/*.mdb "$corpus/open/" 2>/dev/null || true
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    build-fuzz/fuzz/input_fuzz -max_total_time=60 -max_len=4096 \
        -artifact_prefix=build-fuzz/ "$corpus/input"
    build-fuzz/fuzz/open_scan_fuzz -max_total_time=60 -max_len=400000 -timeout=10 \
        -rss_limit_mb=4096 -artifact_prefix=build-fuzz/ "$corpus/open"
else
    echo "clang's libFuzzer is not available: no fuzz run" >&2
fi

# The Windows build of the engine and the two tools, its tests under Wine, and one roll imported
# by both builds (scripts/windows.sh, in build-windows/).
bash scripts/windows.sh
