#!/usr/bin/env bash
# The import benchmark: a generated roll of 200,000 header lines and about 1,000,000 detail lines
# imported by brelvano-import into a new database with the roll's tables and their indexes,
# against sqlite3's .import of the same two files into two text tables, in the same run.
#
#   bash bench/import_bench.sh [DOCUMENTS]        # default 200000 (five details each on average)
#
# Prints, for each program, the wall time, the CPU time (user + system; the fairer figure on a
# machine shared with other work) and the peak memory (/usr/bin/time -v), then a second import of
# the same roll after the confirmed deletion and how much the database file grew, then the first
# import again without the rollback journal (BRELVANO_NO_JOURNAL=1), and the journal's largest
# size (sampled every 50 ms). Targets: the journal costing at most 10%; the import (first and
# again) in at most 0.6 of sqlite3's wall time, peak memory under 100 MB, the second import
# leaving the file at most 5% larger than the first. Work files go to $BRELVANO_BENCH_DIR (default
# /tmp/brelvano-import-bench, about 1.1 GB); they are kept for later runs and never committed.
set -euo pipefail
cd "$(dirname "$0")/.."
documents=${1:-200000}
# The script's own arithmetic and figures in the C locale; only the import runs under Italian
# settings (the roll's amounts and dates are written the Italian way).
export LC_ALL=C

bash scripts/build.sh >/dev/null
build_dir=${BRELVANO_BUILD_DIR:-build}
[[ $build_dir = /* ]] || build_dir="$(pwd)/$build_dir"

# sqlite3 is only the yardstick, so it is installed here rather than by setup.sh.
if ! command -v sqlite3 >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq sqlite3 >/dev/null
fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=${BRELVANO_BENCH_DIR:-/tmp/brelvano-import-bench}
mkdir -p "$work"
header="$work/testate.csv"
detail="$work/dettagli.csv"
stamp="$work/documents"
if [ ! -f "$header" ] || [ ! -f "$detail" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$documents" ]; then
    echo "Generating a roll of $documents documents in $work ..."
    "$build_dir/bench/brelvano-gen-roll" --dir "$work" --documents "$documents" >/dev/null
    echo "$documents" >"$stamp"
fi
header_lines=$(($(wc -l <"$header") - 1))
detail_lines=$(($(wc -l <"$detail") - 1))
input_bytes=$(($(stat -c %s "$header") + $(stat -c %s "$detail")))

# Runs a command under /usr/bin/time -v; sets wall, cpu (seconds) and peak (MB).
measure() {
    local report="$work/time.txt"
    /usr/bin/time -v -o "$report" "$@" >/dev/null
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$report")
    cpu=$(awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {printf "%.2f", u + s}' "$report")
    peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$report")
}

sync
rm -f "$work/sqlite.db"
measure sqlite3 "$work/sqlite.db" ".mode csv" ".separator ;" ".import $header h" ".import $detail d"
sqlite_wall=$wall sqlite_cpu=$cpu sqlite_peak=$peak

database="$work/roll.mdb"
rm -f "$database"
"$build_dir/tools/brelvano-db" create "$database" --roll >/dev/null
import=(env LC_ALL=it_IT.UTF-8 "$build_dir/tools/brelvano-import" --header "$header" --detail "$detail"
        --database "$database")
# The journal's size, sampled while an import runs; its largest value goes to journal_peak.
watch_journal() {
    local largest=0 size
    while [ ! -f "$work/watch.stop" ]; do
        size=$(stat -c %s "$database-journal" 2>/dev/null || echo 0)
        [ "$size" -gt "$largest" ] && largest=$size
        sleep 0.05
    done
    echo "$largest" >"$work/journal.peak"
}
rm -f "$work/watch.stop"
watch_journal &
watcher=$!
sync
measure "${import[@]}"
first_wall=$wall first_cpu=$cpu first_peak=$peak
first_size=$(stat -c %s "$database")

measure "${import[@]}" --yes
second_wall=$wall second_cpu=$cpu second_peak=$peak
second_size=$(stat -c %s "$database")
touch "$work/watch.stop"
wait $watcher
journal_peak=$(cat "$work/journal.peak")

# The same first import without the journal (BRELVANO_NO_JOURNAL=1), for what the journal costs.
plain="$work/plain.mdb"
rm -f "$plain"
"$build_dir/tools/brelvano-db" create "$plain" --roll >/dev/null
sync
measure env BRELVANO_NO_JOURNAL=1 "${import[@]/#$database/$plain}"
plain_wall=$wall plain_cpu=$cpu plain_peak=$peak
rm -f "$plain"

rows() { mdb-count "$database" "$1" 2>/dev/null || echo "?"; }
verdict() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "NOT met"; fi; }

cat <<REPORT

Roll: $header_lines header lines, $detail_lines detail lines, $((input_bytes / 1000000)) MB
Imported rows: Testate $(rows Testate), DettaglioVoci $(rows DettaglioVoci)

                        wall s    cpu s    peak MB
sqlite3 .import       $(printf '%8.2f %8.2f %10.1f' "$sqlite_wall" "$sqlite_cpu" "$sqlite_peak")
brelvano-import       $(printf '%8.2f %8.2f %10.1f' "$first_wall" "$first_cpu" "$first_peak")
  again, --yes        $(printf '%8.2f %8.2f %10.1f' "$second_wall" "$second_cpu" "$second_peak")
  without journal     $(printf '%8.2f %8.2f %10.1f' "$plain_wall" "$plain_cpu" "$plain_peak")

Journal: $(awk "BEGIN { printf \"%+.1f%%\", ($first_wall - $plain_wall) * 100 / $plain_wall }") wall, \
$(awk "BEGIN { printf \"%+.1f%%\", ($first_cpu - $plain_cpu) * 100 / $plain_cpu }") cpu against the \
import without it (target <= +10%: $(verdict "$first_wall <= $plain_wall * 1.10")); largest \
journal seen $((journal_peak / 1024)) KB

Import / sqlite3: $(awk "BEGIN { printf \"%.2f\", $first_wall / $sqlite_wall }") x wall, \
$(awk "BEGIN { printf \"%.2f\", $first_cpu / $sqlite_cpu }") x cpu; again: \
$(awk "BEGIN { printf \"%.2f\", $second_wall / $sqlite_wall }") x wall \
(target <= 0.6: $(verdict "$first_wall <= $sqlite_wall * 0.6 && $second_wall <= $sqlite_wall * 0.6"))
Peak memory: $(verdict "$first_peak < 100 && $second_peak < 100") (target < 100 MB)
Database: $((first_size / 1000000)) MB after the first import, $((second_size / 1000000)) MB after \
the second: $(awk "BEGIN { printf \"%+.1f%%\", ($second_size - $first_size) * 100 / $first_size }") \
(target <= +5%: $(verdict "$second_size <= $first_size * 1.05"))
REPORT
