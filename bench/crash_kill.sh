#!/usr/bin/env bash
# Kills real processes in the middle of their writes and checks what the next open finds: a
# 50,000-document import into a database holding an earlier roll, killed with SIGKILL at spread
# moments (a third of them while the old rows are being deleted), and `brelvano-db delete-all`.
#
#   bash bench/crash_kill.sh [IMPORT_KILLS] [DELETE_KILLS] [DOCUMENTS]   # default 100 30 50000
#
# After each kill: the first `brelvano-db verify` undoes the interrupted write and finds nothing
# wrong; mdb-export reads both tables without a warning; each table holds either all its
# earlier rows or, in order, a prefix of what the full import writes into it; a second full
# import into the file succeeds and leaves it sound. Not part of the tests: it takes long.
# Work files go to $BRELVANO_CRASH_DIR (default /tmp/brelvano-crash), kept between runs.
set -uo pipefail
cd "$(dirname "$0")/.."
import_kills=${1:-100}
delete_kills=${2:-30}
documents=${3:-50000}
export LC_ALL=C

bash scripts/build.sh >/dev/null || exit 1
build_dir=${BRELVANO_BUILD_DIR:-build}
[[ $build_dir = /* ]] || build_dir="$(pwd)/$build_dir"
db_tool="$build_dir/tools/brelvano-db"
work=${BRELVANO_CRASH_DIR:-/tmp/brelvano-crash}
mkdir -p "$work/old" "$work/new"

# Two rolls: the one already in the database, and the one the import brings.
for roll in old new; do
    seed=1; [ "$roll" = new ] && seed=2
    if [ "$(cat "$work/$roll/documents" 2>/dev/null)" != "$documents" ]; then
        "$build_dir/bench/brelvano-gen-roll" --dir "$work/$roll" --documents "$documents" \
            --seed "$seed" >/dev/null || exit 1
        echo "$documents" >"$work/$roll/documents"
    fi
done
import_of() {  # import_of ROLL DATABASE [--yes]
    env LC_ALL=it_IT.UTF-8 "$build_dir/tools/brelvano-import" --header "$work/$1/testate.csv" \
        --detail "$work/$1/dettagli.csv" --database "$2" "${@:3}"
}
export_of() {  # export_of DATABASE TABLE OUT: mdb-export's rows; fails on any warning
    mdb-export "$1" "$2" >"$3" 2>"$work/export.err" && [ ! -s "$work/export.err" ]
}
now() { date +%s.%N; }

# The database with the earlier roll; what the full import of the new roll leaves in it.
base="$work/base.mdb"
if [ ! -f "$base" ]; then
    rm -f "$base"
    "$db_tool" create "$base" --roll >/dev/null && import_of old "$base" >/dev/null || exit 1
fi
for t in Testate DettaglioVoci; do export_of "$base" "$t" "$work/old.$t.csv" || exit 1; done
cp "$base" "$work/full.mdb"
start=$(now)
import_of new "$work/full.mdb" --yes >/dev/null || exit 1
full_time=$(awk "BEGIN { print $(now) - $start }")
for t in Testate DettaglioVoci; do export_of "$work/full.mdb" "$t" "$work/full.$t.csv" || exit 1; done
# When the deletes begin (the first journal) and how long they take, from one watched run.
cp "$base" "$work/watch.mdb"
start=$(now)
import_of new "$work/watch.mdb" --yes >/dev/null &
pid=$!
while [ ! -s "$work/watch.mdb-journal" ] && kill -0 $pid 2>/dev/null; do sleep 0.01; done
deletes_start=$(awk "BEGIN { print $(now) - $start }")
wait $pid
cp "$base" "$work/watch.mdb"
start=$(now)
"$db_tool" delete-all "$work/watch.mdb" DettaglioVoci >/dev/null
"$db_tool" delete-all "$work/watch.mdb" Testate >/dev/null
deletes_time=$(awk "BEGIN { print $(now) - $start }")
echo "full import ${full_time}s; deletes begin at ${deletes_start}s and take about ${deletes_time}s"

# Whether TABLE of DATABASE holds its earlier rows, or a prefix of the full import's.
commit_rows() {
    local rows="$work/now.csv"
    export_of "$1" "$2" "$rows" || return 1
    cmp -s "$rows" "$work/old.$2.csv" && return 0
    local n
    n=$(wc -l <"$rows")
    head -n "$n" "$work/full.$2.csv" | cmp -s - "$rows"
}

passed=0 failed=0 recovered=0
check() {  # check LABEL DATABASE: the checks after a kill
    local db=$2 ok=1 said
    said=$("$db_tool" verify "$db" 2>&1 >"$work/verify.out") || ok=0
    [ -s "$work/verify.out" ] && ok=0
    [[ $said == *"interrupted write"* ]] && recovered=$((recovered + 1))
    for t in Testate DettaglioVoci; do commit_rows "$db" "$t" || { ok=0; echo "  $1: $t is not a commit's"; }; done
    import_of new "$db" --yes >/dev/null 2>&1 || { ok=0; echo "  $1: the second import failed"; }
    [ -z "$("$db_tool" verify "$db" 2>&1)" ] || { ok=0; echo "  $1: damaged after the second import"; }
    if [ $ok = 1 ]; then passed=$((passed + 1)); echo "  $1: sound"; else failed=$((failed + 1)); echo "  $1: FAILED"; cp "$db" "$work/failed-$1.mdb"; fi
}

kill_after() {  # kill_after SECONDS COMMAND...: runs it, SIGKILLs it after SECONDS
    local at=$1
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$!
    sleep "$at"
    # The job is a subshell running the program: kill the program, its child, then the job.
    pkill -KILL -P $pid 2>/dev/null
    kill -KILL $pid 2>/dev/null
    wait $pid 2>/dev/null
}

db="$work/crash.mdb"
for ((i = 0; i < import_kills; i++)); do
    rm -f "$db" "$db-journal"
    cp "$base" "$db"
    if ((i % 3 == 0)); then
        at=$(awk -v s="$deletes_start" -v d="$deletes_time" -v r=$RANDOM 'BEGIN { print s + d * r / 32768 }')
    else
        at=$(awk -v t="$full_time" -v r=$RANDOM 'BEGIN { print t * r / 32768 }')
    fi
    kill_after "$at" import_of new "$db" --yes
    check "import-$i@${at}s" "$db"
done
import_passed=$passed import_failed=$failed import_recovered=$recovered

passed=0 failed=0 recovered=0
for ((i = 0; i < delete_kills; i++)); do
    rm -f "$db" "$db-journal"
    cp "$base" "$db"
    at=$(awk -v d="$deletes_time" -v r=$RANDOM 'BEGIN { print d * r / 32768 }')
    kill_after "$at" "$db_tool" delete-all "$db" DettaglioVoci
    check "delete-all-$i@${at}s" "$db"
done

echo "import killed $import_kills times: $import_passed sound, $import_failed not" \
     "($import_recovered recoveries said so)"
echo "delete-all killed $delete_kills times: $passed sound, $failed not ($recovered recoveries said so)"
[ $((import_failed + failed)) = 0 ]
