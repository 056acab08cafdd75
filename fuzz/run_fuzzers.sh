#!/usr/bin/env bash
# Runs each fuzz target of a build for a set time on a working copy of its seed corpus, then
# prints one summary line per target. Exits non-zero when any target found a crash, a leak, a
# timeout or an out-of-memory input, or could not run. New inputs go to the build folder only.
#
#   fuzz/run_fuzzers.sh BUILD SECONDS [TARGET...]    (targets: msh_reader problem_model description)
set -uo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: $0 BUILD SECONDS [TARGET...]" >&2; exit 2; }
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(msh_reader problem_model description)

# Longest input per target: a few times the largest seed, so that mutations can grow a file.
declare -A max_len=([msh_reader]=16384 [problem_model]=4096 [description]=2048)
declare -A dictionary=([msh_reader]=fuzz/dict/msh.dict [problem_model]=fuzz/dict/toml.dict)

final_stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -1; }

failed=0
summary=()
for target in "${targets[@]}"; do
  work=$build/fuzz-work/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  # Findings of an earlier run are kept in the corpus, not counted again.
  cp -n fuzz/corpus/"$target"/* "$work/corpus/"
  rm -f "$work/artifacts/"*
  options=(-max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10
           -rss_limit_mb=2048 -error_exitcode=77 -timeout_exitcode=78 -print_final_stats=1
           -artifact_prefix="$work/artifacts/")
  [ -n "${dictionary[$target]:-}" ] && options+=(-dict="${dictionary[$target]}")
  echo "== fuzz_$target for ${seconds} s"
  "$build/fuzz/fuzz_$target" "${options[@]}" "$work/corpus" >"$work/run.log" 2>&1
  status=$?
  findings=$(find "$work/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' \
    -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$work/run.log" | tail -1)
  summary+=("$(printf '%-14s %10s execs %8s exec/s  %-20s findings %s  exit %s' "$target" \
    "$(final_stat number_of_executed_units "$work/run.log")" \
    "$(final_stat average_exec_per_sec "$work/run.log")" "${coverage:-cov: ?}" "$findings" "$status")")
  if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
    failed=1
    echo "fuzz_$target failed; the end of $work/run.log:"
    grep -v -e ' NEW ' -e ' REDUCE ' -e ' pulse ' "$work/run.log" | tail -40
    find "$work/artifacts" -type f -printf 'input kept as %p\n'
  fi
done
echo "== fuzz summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit "$failed"
