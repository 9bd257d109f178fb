#!/bin/sh
# Converts the benchmark tables and reports speed and memory.
#
#   bench/run_bench.sh <build dir> [records]
#
# The tables are generated once into bench/data/.  Every scenario runs five
# times; the report gives the median wall time, MB/s of table input, records
# per second, the peak resident set size and the ratio to `cp` of the same
# table files; "cpu s" (user and system time) shows what other load on the
# machine does to the wall times.
set -eu

BUILD=$(cd "$1" && pwd)
RECORDS=${2:-1000000}
RUNS=${RUNS:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
DATA=$HERE/data
OSTRANE=$BUILD/ostrane
TIMER=$BUILD/bench/bench_time
GENERATE=$BUILD/bench/make_bench_table

mkdir -p "$DATA"
TABLE=$DATA/customers_$RECORDS.dbf
MEMO_TABLE=$DATA/customers_memo_$RECORDS.dbf
MEMO_FILE=$DATA/customers_memo_$RECORDS.dbt
[ -f "$TABLE" ] || "$GENERATE" "$TABLE" "$RECORDS"
[ -f "$MEMO_TABLE" ] || "$GENERATE" "$MEMO_TABLE" "$RECORDS" --memo
OUT=$DATA/out.txt
COPY=$DATA/copy

# Warm the page cache so that every run reads from memory.
cat "$TABLE" "$MEMO_TABLE" "$MEMO_FILE" >/dev/null

size_of() { stat -c %s "$@" | awk '{ s += $1 } END { print s }'; }

# Median time of copying the given files, one after the other.
cp_seconds() {
    total=0
    for file in "$@"; do
        t=$("$TIMER" "$RUNS" /bin/cp "$file" "$COPY" | cut -d' ' -f1)
        total=$(awk -v a="$total" -v b="$t" 'BEGIN { print a + b }')
    done
    rm -f "$COPY"
    echo "$total"
}

# The reference: copying the files each scenario reads.
CP_TABLE=$(cp_seconds "$TABLE")
CP_MEMO=$(cp_seconds "$MEMO_TABLE" "$MEMO_FILE")
echo "cp of the table: ${CP_TABLE} s, of the memo table and its memo file: ${CP_MEMO} s"

printf '%-22s %9s %8s %8s %12s %9s %8s\n' scenario "median s" "cpu s" "MB/s" "records/s" "RSS MiB" "x cp"

# scenario <label> <table> <files read> <cp seconds> -- [switches...]
scenario() {
    label=$1 table=$2 files=$3 cp_time=$4
    shift 5
    bytes=$(size_of $files)
    set -- "$TIMER" "$RUNS" "$OSTRANE" "$table" "$OUT" "$@"
    result=$(LC_ALL=C "$@")
    rm -f "$OUT"
    echo "$result" | awk -v label="$label" -v bytes="$bytes" -v records="$RECORDS" -v cp="$cp_time" '{
        if ($3 != 0) { printf "%-22s FAILED with exit status %d\n", label, $3; exit }
        printf "%-22s %9.3f %8.3f %8.1f %12.0f %9.2f %8.2f\n", label, $1, $4, bytes / 1e6 / $1, records / $1,
               $2 / 1024, $1 / cp
    }'
}

scenario default "$TABLE" "$TABLE" "$CP_TABLE" --
scenario "header fixed quoted" "$TABLE" "$TABLE" "$CP_TABLE" -- /H /F /FIXED '/QUALIFIER=\34'
scenario "memo" "$MEMO_TABLE" "$MEMO_TABLE $MEMO_FILE" "$CP_MEMO" --
# The filter is parsed once and evaluated for every delivered record.
scenario "filter city" "$TABLE" "$TABLE" "$CP_TABLE" -- '/FILTER=TRIM([CITY]) = Oslo'

echo "targets: default run at most 6 x cp, peak RSS under 8 MiB"
