#!/usr/bin/env bash
# Access 97 against Jet 4: a generated roll of 20,000 documents imported by brelvano-import into
# the roll's tables added to a copy of an Access 97 file (testV1997.mdb, 2 KB pages, 8-bit text)
# and into the same tables added to a new Jet 4 database, in the same run.
#
#   bash bench/jet3_import_compare.sh [DOCUMENTS]        # default 20000
#
# Prints each import's wall and CPU time (/usr/bin/time), then checks, and says whether each held:
#   - both files have the same row counts (mdb-count), Testate as many as the header file's lines;
#   - mdb-export of both tables is the same in both files: records sorted by their autonumber ID
#     (storage order differs with the page size), fields compared as numbers when both parse as
#     numbers (equal to 1e-9 relative: the two files are printed by the same mdbtools, so any
#     difference in digits would be a difference in the stored value), else as texts; dates are
#     exported in one format (-T '%Y-%m-%d %H:%M:%S') from both;
#   - `brelvano-db verify` is clean on both.
# Work files go to $BRELVANO_BENCH_DIR (default /tmp/brelvano-jet3-compare, about 60 MB); they
# are never committed. Exits 1 when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
documents=${1:-20000}
export LC_ALL=C

bash scripts/build.sh >/dev/null
build_dir=${BRELVANO_BUILD_DIR:-build}
[[ $build_dir = /* ]] || build_dir="$(pwd)/$build_dir"
fixture=../shared/fixtures/mdb/testV1997.mdb
[ -f "$fixture" ] || { echo "needs $fixture" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }
command -v mdb-export >/dev/null || { echo "needs mdbtools" >&2; exit 1; }

work=${BRELVANO_BENCH_DIR:-/tmp/brelvano-jet3-compare}
mkdir -p "$work"
header="$work/testate.csv"
detail="$work/dettagli.csv"
stamp="$work/documents"
if [ ! -f "$header" ] || [ ! -f "$detail" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$documents" ]; then
    "$build_dir/bench/brelvano-gen-roll" --dir "$work" --documents "$documents" >/dev/null
    echo "$documents" >"$stamp"
fi
header_lines=$(($(wc -l <"$header") - 1))
detail_lines=$(($(wc -l <"$detail") - 1))

db_tool="$build_dir/tools/brelvano-db"
jet3="$work/ufficio97.mdb"
jet4="$work/ruolo.mdb"
rm -f "$jet3" "$jet4" "$jet3-journal" "$jet4-journal"
cp "$fixture" "$jet3"
chmod u+w "$jet3"
"$db_tool" add-roll "$jet3" >/dev/null
"$db_tool" create "$jet4" >/dev/null
"$db_tool" add-roll "$jet4" >/dev/null

# Imports into $1; sets wall and cpu (user + system), in seconds.
import_into() {
    local report="$work/time.txt"
    sync
    /usr/bin/time -f '%e %U %S' -o "$report" env LC_ALL=it_IT.UTF-8 \
        "$build_dir/tools/brelvano-import" --header "$header" --detail "$detail" --database "$1" \
        >/dev/null
    read -r wall user system <"$report"
    cpu=$(awk "BEGIN { printf \"%.2f\", $user + $system }")
}
import_into "$jet3"
jet3_wall=$wall jet3_cpu=$cpu
import_into "$jet4"
jet4_wall=$wall jet4_cpu=$cpu

failed=0
check() {  # check NAME COMMAND...: runs the command, prints NAME and whether it held
    if "${@:2}"; then echo "  ok    $1"; else echo "  FAIL  $1"; failed=1; fi
}
counts_equal() {
    local table=$1 a b
    a=$(mdb-count "$jet3" "$table") b=$(mdb-count "$jet4" "$table")
    echo "        $table: $a rows in Access 97, $b in Jet 4"
    [ "$a" = "$b" ] && [ "$a" -gt 0 ]
}
exports_equal() {
    local table=$1
    mdb-export -T '%Y-%m-%d %H:%M:%S' "$jet3" "$table" >"$work/$table.97.csv"
    mdb-export -T '%Y-%m-%d %H:%M:%S' "$jet4" "$table" >"$work/$table.4.csv"
    python3 - "$work/$table.97.csv" "$work/$table.4.csv" <<'PY'
import csv, math, sys

def records(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    return rows[0], sorted(rows[1:], key=lambda r: int(r[0]))

def number(text):
    try:
        return float(text)
    except ValueError:
        return None

(title_a, a), (title_b, b) = records(sys.argv[1]), records(sys.argv[2])
problems = []
if title_a != title_b:
    problems.append("the columns differ")
if len(a) != len(b):
    problems.append(f"{len(a)} records against {len(b)}")
fields = 0
for ra, rb in zip(a, b):
    for column, x, y in zip(title_a, ra, rb):
        fields += 1
        nx, ny = number(x), number(y)
        same = math.isclose(nx, ny, rel_tol=1e-9) if nx is not None and ny is not None else x == y
        if not same and len(problems) < 5:
            problems.append(f"ID {ra[0]} {column}: {x!r} against {y!r}")
print(f"        {len(a)} records, {fields} fields compared")
for p in problems:
    print("        " + p)
sys.exit(1 if problems else 0)
PY
}
verify_clean() { "$db_tool" verify "$1" >"$work/verify.txt" || { cat "$work/verify.txt"; return 1; }; }

cat <<REPORT
Roll: $header_lines header lines, $detail_lines detail lines ($documents documents)

                                   wall s    cpu s
brelvano-import into Access 97   $(printf '%8.2f %8.2f' "$jet3_wall" "$jet3_cpu")
brelvano-import into Jet 4       $(printf '%8.2f %8.2f' "$jet4_wall" "$jet4_cpu")
Access 97 / Jet 4                $(awk "BEGIN { printf \"%8.2f %8.2f\", $jet3_wall / $jet4_wall, $jet3_cpu / $jet4_cpu }")
Files: Access 97 $(($(stat -c %s "$jet3") / 1024)) KB, Jet 4 $(($(stat -c %s "$jet4") / 1024)) KB

Checks:
REPORT
check "row counts equal (Testate)" counts_equal Testate
check "Testate holds every header line" [ "$(mdb-count "$jet3" Testate)" = "$header_lines" ]
check "row counts equal (DettaglioVoci)" counts_equal DettaglioVoci
check "mdb-export of Testate equal" exports_equal Testate
check "mdb-export of DettaglioVoci equal" exports_equal DettaglioVoci
check "verify clean on the Access 97 file" verify_clean "$jet3"
check "verify clean on the Jet 4 file" verify_clean "$jet4"
exit $failed
