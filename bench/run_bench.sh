#!/bin/sh
# Times the converter against the floor of a conversion and reports ratios.
#
#   bench/run_bench.sh <build dir> [records]
#
# The reference is `floor_convert --numbers` from ../shared/bench/ (the least
# work a converter that re-prints numbers and dates must do), built once into
# the build dir, and pgdbf when it is installed.  The machines are shared and
# noisy, so absolute times say little: every run of a round runs each
# scenario and each reference once, one after the other, and the report gives
# the median of RUNS rounds (default 5) and the ratio of this program's time
# to the floor's.  The table is generated once into bench/data/.
set -eu

BUILD=$(cd "$1" && pwd)
RECORDS=${2:-1000000}
RUNS=${RUNS:-5}
HERE=$(cd "$(dirname "$0")" && pwd)
SHARED=$HERE/../../shared/bench
DATA=$HERE/data
OSTRANE=${OSTRANE:-$BUILD/ostrane}
TIMER=$BUILD/bench/bench_time
FLOOR=$BUILD/bench/floor_convert
PGDBF=$(command -v pgdbf || true)

[ "$RUNS" -ge 5 ] || { echo "RUNS must be at least 5" >&2; exit 2; }
mkdir -p "$DATA"
TABLE=$DATA/bench_$RECORDS.dbf
[ -f "$TABLE" ] || python3 "$SHARED/make_bench_dbf.py" "$TABLE" --records "$RECORDS" --seed 1
if [ ! -x "$FLOOR" ] || [ "$SHARED/floor_convert.cpp" -nt "$FLOOR" ]; then
    g++ -O2 -std=c++17 -o "$FLOOR" "$SHARED/floor_convert.cpp"
fi
OUT=$DATA/out.txt
TIMES=$DATA/times.txt
: >"$TIMES"

# Warm the page cache so that every run reads from memory.
cat "$TABLE" >/dev/null

# The scenarios of the report, numbered from 1.
SCENARIO_COUNT=6
label_of() {
    case $1 in
    1) echo "default" ;;
    2) echo "/FIELDS=NAME;AMOUNT" ;;
    3) echo "filter [ID] < 0" ;;
    4) echo "filter TRIM([CITY])" ;;
    5) echo "filter city and amount" ;;
    6) echo "/H /F /FIXED /QUALIFIER" ;;
    esac
}
# run_scenario <n> <command...>: the command with scenario n's switches.
run_scenario() {
    n=$1
    shift
    case $n in
    1) "$@" ;;
    2) "$@" '/FIELDS=NAME;AMOUNT' ;;
    3) "$@" '/FILTER=[ID] < 0' ;;
    4) "$@" '/FILTER=TRIM([CITY]) = Paris' ;;
    5) "$@" '/FILTER=(TRIM([CITY]) = Paris) AND ([AMOUNT] > 5000000)' ;;
    6) "$@" /H /F /FIXED '/QUALIFIER=\34' ;;
    esac
}

# time_once <key> <command...>: appends "<key> <seconds> <peak KiB>" to TIMES.
time_once() {
    key=$1
    shift
    result=$(LC_ALL=C "$TIMER" 1 "$@")
    set -- $result
    [ "$3" = 0 ] || { echo "$key failed with exit status $3" >&2; exit 1; }
    echo "$key $1 $2" >>"$TIMES"
}

round=0
while [ "$round" -lt "$RUNS" ]; do
    round=$((round + 1))
    time_once floor "$FLOOR" --numbers "$TABLE" "$OUT"
    [ -z "$PGDBF" ] || time_once pgdbf /bin/sh -c "\"$PGDBF\" \"$TABLE\" >\"$OUT\""
    n=0
    while [ "$n" -lt "$SCENARIO_COUNT" ]; do
        n=$((n + 1))
        run_scenario "$n" time_once "s$n" "$OSTRANE" "$TABLE" "$OUT"
    done
done
rm -f "$OUT"

# The median seconds and the largest peak of one key.
median_of() {
    peak=$(awk -v key="$1" '$1 == key && $3 > p { p = $3 } END { print p + 0 }' "$TIMES")
    seconds=$(awk -v key="$1" '$1 == key { print $2 }' "$TIMES" | sort -n |
        awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }')
    echo "$seconds $peak"
}

set -- $(median_of floor)
FLOOR_S=$1
echo "table: $TABLE ($RECORDS records), median of $RUNS alternating rounds"
printf '%-26s %10s %9s %10s\n' run "median s" "RSS MiB" "x floor"
printf '%-26s %10.3f %9.1f %10.2f\n' "floor_convert --numbers" "$FLOOR_S" "$(($2 / 1024))" 1
if [ -n "$PGDBF" ]; then
    set -- $(median_of pgdbf)
    printf '%-26s %10.3f %9s %10.2f\n' pgdbf "$1" - "$(awk -v a="$1" -v b="$FLOOR_S" 'BEGIN { print a / b }')"
fi
n=0
while [ "$n" -lt "$SCENARIO_COUNT" ]; do
    n=$((n + 1))
    set -- $(median_of "s$n")
    awk -v l="$(label_of "$n")" -v s="$1" -v k="$2" -v f="$FLOOR_S" \
        'BEGIN { printf "%-26s %10.3f %9.1f %10.2f\n", l, s, k / 1024, s / f }'
done
