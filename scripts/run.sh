#!/usr/bin/env bash
# Builds Brelvano (installing what is missing), prepares a demo roll and database in demo/ when
# there is none, and runs the import on it: in the window when a display is available, with the
# headless brelvano-import otherwise. Then prints the row counts of both tables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build_dir=${BRELVANO_BUILD_DIR:-build}
[[ $build_dir = /* ]] || build_dir="$(pwd)/$build_dir"

demo="$(pwd)/demo"
header="$demo/testate.csv"
detail="$demo/dettagli.csv"
database="$demo/roll.mdb"
if [ ! -f "$header" ] || [ ! -f "$detail" ] || [ ! -f "$database" ]; then
    echo "Preparing a demo roll in $demo ..."
    rm -rf "$demo"
    mkdir -p "$demo"
    "$build_dir/bench/brelvano-gen-roll" --dir "$demo" --documents 3000 >/dev/null
    "$build_dir/tools/brelvano-db" create "$database" --roll >/dev/null
fi

# The demo's amounts and dates are written the Italian way; the locale decides how they are read.
# setup.sh generates it; without it the amounts would be refused, so say so and stop.
if ! locale -a 2>/dev/null | grep -ix 'it_IT\.utf-\?8' >/dev/null; then
    echo "The demo needs the locale it_IT.UTF-8, which is not installed here:" >&2
    echo "run bash scripts/setup.sh as root (it generates it), then run this again." >&2
    exit 1
fi
export LC_ALL=it_IT.UTF-8

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    cat <<MESSAGE
Starting the window. Fill its three boxes with the demo files, press "Connetti !!!", then
"Importa":
    File delle testate:  $header
    File dei dettagli:   $detail
    File ACCESS:         $database
MESSAGE
    status=0
    "$build_dir/src/brelvano" || status=$?
else
    echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the headless import."
    echo "(In a desktop session this command opens the window instead.)"
    status=0
    # --yes: the demo database is refilled on every run.
    "$build_dir/tools/brelvano-import" --header "$header" --detail "$detail" \
        --database "$database" --yes || status=$?
fi

echo "Rows in $database:"
for table in Testate DettaglioVoci; do
    if command -v mdb-count >/dev/null; then
        printf '  %-14s %s\n' "$table" "$(mdb-count "$database" "$table")"
    fi
done
command -v mdb-count >/dev/null ||
    "$build_dir/tools/brelvano-db" info "$database" | sed -n '/^Tables:/,$p'
exit "$status"
