#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) in build-fuzz/ and runs each one
# for SECONDS (default 60), one after the other, starting from its corpus in fuzz/corpus/.
# Prints the executions per target and every finding with the input that caused it;
# exits non-zero when anything was found.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# FUZZ_RUNS=N also stops a target after N executions (a long campaign: 1000000).
# FUZZ_SEED=N fixes libFuzzer's random seed, so a run can be repeated (CI fixes it).
# New inputs that reach new code are kept in build-fuzz/work/<target>/ between runs;
# findings land in build-fuzz/findings/<target>/, the log in build-fuzz/logs/<target>.log.
# cpu-s is the processor time the target had (on a busy machine far less than SECONDS).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true

bash scripts/deps.sh
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
build=build-fuzz
# Line tables are all a finding's report needs, and build faster than full debug information.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DVANTELO_FUZZ=ON -DVANTELO_BUILD_TESTS=OFF -DVANTELO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_all

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

# One frame per allocation stack: Qt's libraries keep no frame pointers, so deeper stacks
# read junk, each one new, and the sanitizer's store of them grew by gigabytes in a long run.
# To see whole allocation stacks for a finding, rerun its input with
# ASAN_OPTIONS=fast_unwind_on_malloc=0.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:malloc_context_size=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/.ci/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

failed=0
printf '%-18s %12s %10s %8s %8s  %s\n' target executions exec/s cpu-s corpus result
for t in "${targets[@]}"; do
  work="$build/work/$t" findings="$build/findings/$t" log="$build/logs/$t.log"
  rm -rf "$findings"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
  scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/vantelo-fuzz-$t.XXXXXX")
  set +e
  VANTELO_FUZZ_SCRATCH=$scratch /usr/bin/time -f '%U %S' -o "$log.cpu" "$build/fuzz/$t" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} ${FUZZ_SEED:+-seed=$FUZZ_SEED} \
    -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" \
    "$work" "fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  set -e
  rm -rf "$scratch"
  execs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log" | tail -1)
  units=$(find "$work" "fuzz/corpus/$t" -type f | wc -l)
  cpu=$(tail -n 1 "$log.cpu" 2>/dev/null | awk 'NF == 2 {printf "%.0f", $1 + $2}')
  if [ $rc -eq 0 ]; then
    printf '%-18s %12s %10s %8s %8s  %s\n' "$t" "${execs:-?}" "${rate:-?}" "${cpu:-?}" "$units" ok
    continue
  fi
  failed=1
  printf '%-18s %12s %10s %8s %8s  %s\n' "$t" "${execs:-?}" "${rate:-?}" "${cpu:-?}" "$units" "FINDING (exit $rc)"
  grep -E -A3 'PROPERTY FAILED|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|SUMMARY' "$log" |
    head -30 | sed 's/^/    /'
  grep -E 'Test unit written to|^artifact_prefix' "$log" | sed 's/^/    /'
  for f in $(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log"); do
    echo "    reproduce: $build/fuzz/$t $f"
  done
  echo "    full log: $log"
done
exit $failed
