#!/usr/bin/env bash
# The Windows build of the engine and the two command-line tools, cross-compiled with Debian's
# MinGW-w64 and tested under Wine:
#   1. installs the cross compiler, Wine, GoogleTest's sources and zip from Debian when missing;
#   2. builds brelvano-db.exe and brelvano-import.exe (static, no DLL beside them) and the tests
#      in build-windows/ (or $BRELVANO_WINDOWS_BUILD_DIR);
#   3. runs the tests under Wine, in a new headless prefix in a temporary folder;
#   4. reads every fixture with both builds (tables, exports and verify reports must be equal);
#   5. imports one generated roll with the Linux and the Windows build, the Windows one through a
#      folder and arguments named "Città", and checks that both files hold equal tables
#      (mdb-export) and that each build reads the other's file; kills a Windows import in the
#      middle of a commit and checks that the next open undoes it;
#   and packs the two programs and a README in build-windows/brelvano-windows-VERSION.zip.
# BRELVANO_WINDOWS_SKIP_TESTS=1 stops after the build and the zip. Jobs: $BRELVANO_JOBS (2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${BRELVANO_JOBS:-2}
build_dir=${BRELVANO_WINDOWS_BUILD_DIR:-build-windows}
[[ $build_dir = /* ]] || build_dir="$root/$build_dir"

# 1. Tools, from Debian only.
packages=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || packages+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null || packages+=(wine wine64)
command -v zip >/dev/null || packages+=(zip)
command -v mdb-export >/dev/null || packages+=(mdbtools)
[ -d /usr/src/googletest ] || packages+=(googletest)
if ((${#packages[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${packages[@]}" >/dev/null
fi

# 2. The build.
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=(brelvano-db brelvano-import)
[ "${BRELVANO_WINDOWS_SKIP_TESTS:-0}" = 1 ] ||
    targets+=(platform_tests mdb_tests api_tests import_tests)
cmake --build "$build_dir" -j "$jobs" --target "${targets[@]}" >/dev/null
x86_64-w64-mingw32-strip -o "$build_dir/brelvano-db.exe" "$build_dir/tools/brelvano-db.exe"
x86_64-w64-mingw32-strip -o "$build_dir/brelvano-import.exe" "$build_dir/tools/brelvano-import.exe"

# The zip (first, so that a failing check still leaves the package to look at).
version=$(sed -n 's/^project(Brelvano VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_file="$build_dir/brelvano-windows-$version.zip"
rm -f "$zip_file"
(cd "$build_dir" && zip -q -j "$zip_file" brelvano-db.exe brelvano-import.exe \
    "$root/packaging/windows/LEGGIMI.txt")
echo "zip: $zip_file ($(stat -c %s "$zip_file") bytes)"
[ "${BRELVANO_WINDOWS_SKIP_TESTS:-0}" = 1 ] && exit 0

# 3. The tests under Wine, in a prefix of their own.
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
# A server that stays up between the many short runs below, instead of starting for each.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot --init >/dev/null 2>&1
cd "$work"  # Wine reads Linux paths such as /work/shared/... through the current drive (Z:)
for program in platform_tests mdb_tests api_tests import_tests; do
    echo "== $program (Wine)"
    wine "$build_dir/tests/windows/$program.exe" --gtest_brief=1 2>&1 | tr -d '\r'
done

# 4. Every fixture read by both builds: the same tables, exports and verify reports.
linux_build=${BRELVANO_BUILD_DIR:-build}
[[ $linux_build = /* ]] || linux_build="$root/$linux_build"
(cd "$root" && cmake --build "$linux_build" -j "$jobs" --target brelvano-db brelvano-import \
    brelvano-gen-roll >/dev/null)
linux_db="$linux_build/tools/brelvano-db"
# Wine's own notes (lines starting "wine: ") are not the program's output.
windows_db() { wine "$build_dir/brelvano-db.exe" "$@" 2>&1 | { grep -av '^wine: ' || true; }; }
fixtures=0
for fixture in "$root"/../shared/fixtures/mdb/*.mdb; do
    "$linux_db" tables "$fixture" >linux.out 2>&1 || true
    windows_db tables "$fixture" >windows.out || true
    cmp linux.out windows.out
    mapfile -t tables <linux.out
    for table in "${tables[@]}"; do
        "$linux_db" export "$fixture" "$table" >linux.out 2>&1 || true
        windows_db export "$fixture" "$table" >windows.out || true
        cmp linux.out windows.out
    done
    "$linux_db" verify "$fixture" >linux.out 2>&1 || true
    windows_db verify "$fixture" >windows.out || true
    cmp linux.out windows.out
    fixtures=$((fixtures + 1))
done
echo "$fixtures fixtures: the same tables, exports and verify reports in both builds"

# 5. One roll through both builds.
linux_build=${BRELVANO_BUILD_DIR:-build}
[[ $linux_build = /* ]] || linux_build="$root/$linux_build"
(cd "$root" && cmake --build "$linux_build" -j "$jobs" --target brelvano-db brelvano-import \
    brelvano-gen-roll >/dev/null)
mkdir -p roll big "Città"
"$linux_build/bench/brelvano-gen-roll" --dir roll --documents 2000 >/dev/null
cp roll/testate.csv "Città/testate.csv"
cp roll/dettagli.csv "Città/dettagli.csv"
"$linux_build/tools/brelvano-db" create linux.mdb --roll >/dev/null
LC_ALL=it_IT.UTF-8 "$linux_build/tools/brelvano-import" --header roll/testate.csv \
    --detail roll/dettagli.csv --database linux.mdb --yes >/dev/null
wine "$build_dir/brelvano-db.exe" create "Città/windows.mdb" --roll >/dev/null
LC_ALL=it_IT.UTF-8 wine "$build_dir/brelvano-import.exe" --header "Città/testate.csv" \
    --detail "Città/dettagli.csv" --database "Città/windows.mdb" --yes | tr -d '\r' >/dev/null
for table in Testate DettaglioVoci; do
    mdb-export linux.mdb "$table" >"linux-$table.csv"
    mdb-export "Città/windows.mdb" "$table" >"windows-$table.csv"
    cmp "linux-$table.csv" "windows-$table.csv"
    # Each build reads the other's file.
    "$linux_build/tools/brelvano-db" export "Città/windows.mdb" "$table" >"linux-reads.csv"
    wine "$build_dir/brelvano-db.exe" export linux.mdb "$table" >"windows-reads.csv"
    cmp linux-reads.csv windows-reads.csv
    echo "$table: $(($(wc -l <"linux-$table.csv") - 1)) rows equal in both builds' files"
done
"$linux_build/tools/brelvano-db" verify "Città/windows.mdb"
wine "$build_dir/brelvano-db.exe" verify linux.mdb

# A Windows import killed while it writes: the next open undoes it from the journal. The journal
# holds bytes only while a commit is under way, so the kill comes as soon as it has some; a kill
# that lands between two commits is tried again.
"$linux_build/bench/brelvano-gen-roll" --dir big --documents 20000 >/dev/null
for attempt in 1 2 3 4 5; do
    cp "Città/windows.mdb" killed.mdb
    rm -f killed.mdb-journal
    LC_ALL=it_IT.UTF-8 wine "$build_dir/brelvano-import.exe" --header big/testate.csv \
        --detail big/dettagli.csv --database killed.mdb --yes >/dev/null 2>&1 &
    for _ in $(seq 1200); do
        [ -s killed.mdb-journal ] && break
        sleep 0.05
    done
    wineserver -k || true  # this prefix's processes only: the import
    wait || true
    [ -s killed.mdb-journal ] && break
    [ "$attempt" = 5 ] && { echo "no import was killed in the middle of a commit" >&2; exit 1; }
done
wine "$build_dir/brelvano-db.exe" verify killed.mdb 2>&1 | grep -F "was undone"
"$linux_build/tools/brelvano-db" verify killed.mdb
echo "windows.sh: all checks passed"
