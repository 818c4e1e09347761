#!/usr/bin/env bash
# Fuzzes the plain layers and the virtual module with libFuzzer:
#   tools/fuzz.sh [TARGET|all] [RUNS]
# Builds the fuzzing build (clang; libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs TARGET, or every target one after another, for RUNS inputs (default one
# million), as one job under nice. Inputs that find new coverage are merged into
# fuzz/corpus/<target>/, which stays minimised: its named inputs (the seeds, and inputs that once
# failed) are always kept, of the rest only what reaches code they do not (the merge counts
# branches reached, not how often, so a corpus stays at a few hundred inputs). An input that fails is
# kept as build-fuzz/artifacts/<target>/crash-..., and the script stops there. Each run's log is
# build-fuzz/logs/<target>.log; the last line sums it up.
set -euo pipefail
cd "$(dirname "$0")/.."

# The longest input each target is given: streams of up to 186 frames, 56 requests or 25
# records, files several times as long as the program's own. Longer inputs find nothing new and
# only slow the runs down.
declare -A max_len=([rx_stream]=2048 [logger_records]=256 [settings_file]=512 [cp1252]=1024
                    [virtual_module]=512)
all=(rx_stream logger_records settings_file cp1252 virtual_module)

usage() {
  echo "usage: $0 [all|${all[*]// /|}] [RUNS]" >&2
  exit 2
}
target=${1:-all}
runs=${2:-1000000}
[[ "$runs" =~ ^[0-9]+$ ]] || usage
if [ "$target" = all ]; then
  targets=("${all[@]}")
elif [ -n "${max_len[$target]:-}" ]; then
  targets=("$target")
else
  usage
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQL50_FUZZ=ON -DQL50_WERROR=ON >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for t in "${targets[@]}"; do
  fuzzer=build-fuzz/fuzz/fuzz_$t
  corpus=fuzz/corpus/$t
  log=build-fuzz/logs/$t.log
  new=$scratch/$t-new
  merged=$scratch/$t-merged
  mkdir -p "$corpus" "$new" "$merged" build-fuzz/artifacts/"$t" build-fuzz/logs
  nice -n 10 "$fuzzer" -runs="$runs" -max_len="${max_len[$t]}" -timeout=25 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/"$t"/ "$new" "$corpus" \
    >"$log" 2>&1 || { tail -n 40 "$log"; echo "$t: failed, see $log" >&2; exit 1; }
  # The named inputs first; the merge adds what finds coverage beyond them.
  find "$corpus" -maxdepth 1 -type f -regextype posix-extended ! -regex '.*/[0-9a-f]{40}' -exec cp {} "$merged"/ \;
  nice -n 10 "$fuzzer" -merge=1 -use_counters=0 -max_len="${max_len[$t]}" "$merged" "$corpus" "$new" \
    >"$log.merge" 2>&1 || { tail -n 20 "$log.merge"; exit 1; }
  find "$corpus" -maxdepth 1 -type f -delete
  cp "$merged"/* "$corpus"/
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
  seconds=$(sed -nE 's/^Done [0-9]+ runs in ([0-9]+) second.*/\1/p' "$log")
  echo "$t: $runs inputs in ${seconds}s," \
    "$(grep -oE 'exec/s: [0-9]+' <<<"$done_line")," \
    "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"$done_line"), $(ls "$corpus" | wc -l) in $corpus"
done
