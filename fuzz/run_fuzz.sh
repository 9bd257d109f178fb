#!/usr/bin/env bash
# Runs every fuzz target, one after the other, for a number of seconds each.
#
#   fuzz/run_fuzz.sh <build folder> <seconds> [<target> ...]
#
# Seeds are written afresh into <build>/seeds/<target>; the working corpus of
# each target grows in fuzz/corpus-<target>/ and crash inputs land in
# fuzz/artifacts/ (both ignored by git).  Ends with status 1 when a target
# found a crash, a leak or a hang.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:?build folder}
seconds=${2:?seconds}
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(table filter switches)

corpus_tables=../shared/corpus
seeds=$build/seeds
rm -rf "$seeds"
"$build/fuzz/fuzz_seed_maker" "$seeds" "$corpus_tables" || exit 1
mkdir -p fuzz/artifacts

declare -A max_len=([table]=65536 [filter]=4096 [switches]=2048)
# The program's own messages and warnings would drown the fuzzer's report.
declare -A quiet=([table]=3 [filter]=0 [switches]=0)
failed=()
for target in "${targets[@]}"; do
  corpus=fuzz/corpus-$target
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  log=$build/fuzz-$target.log
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  "$build/fuzz/fuzz_$target" "$corpus" "$seeds/$target" \
    -dict="fuzz/$target.dict" -max_len="${max_len[$target]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -close_fd_mask="${quiet[$target]}" -print_final_stats=1 -artifact_prefix="fuzz/artifacts/$target-" >"$log" 2>&1
  status=$?
  # The progress lines are many; the findings and the statistics are kept.
  grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse)|# Uses: |Recommended dictionary' "$log" | tail -n 60
  [ "$status" -eq 0 ] || failed+=("$target")
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in fuzz/artifacts/)"
  exit 1
fi
echo "fuzzing: no problems found"
