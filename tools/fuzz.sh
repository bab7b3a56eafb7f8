#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and sanitizers and runs each one.
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   tools/fuzz.sh --runs INPUTS_PER_TARGET [TARGET...]
# Every target of tests/fuzz runs when none is named. The corpus of each
# target, and the inputs it has run in all, are kept between runs outside the
# tree, in ${MIRADOT_FUZZ_CACHE:-${XDG_CACHE_HOME:-~/.cache}/miradot-fuzz}. Prints
# each target's executions and rate; exits non-zero when a target finds a fault
# (its input is kept in build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time="${1:-120}")
if [ "${1:-}" = --runs ]; then
  limit=(-runs="$2")
  shift 2
else
  shift || true
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    [ "$name" = fuzz_replay_main ] || targets+=("$name")
  done
fi
cache=${MIRADOT_FUZZ_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/miradot-fuzz}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DMIRADOT_FUZZ=ON -DMIRADOT_WINDOWS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

export MIRADOT_FUZZ_DATA="$PWD/data"
found=0
for target in "${targets[@]}"; do
  corpus="$cache/$target"
  mkdir -p "$corpus"
  cp -n "tests/fuzz/seeds/$target"/* "$corpus"/ 2>/dev/null || true
  log="build-fuzz/$target.log"
  started=$(date +%s)
  status=0
  "build-fuzz/tests/fuzz/$target" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/$target-" "$corpus" >"$log" 2>&1 || status=$?
  seconds=$(($(date +%s) - started))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  runs=${runs:-0}
  total=$(($(cat "$cache/$target.runs" 2>/dev/null || echo 0) + runs))
  echo "$total" >"$cache/$target.runs"
  printf '%-18s %12d inputs in %5d s (%d/s), %d in all, corpus %d\n' "$target" "$runs" "$seconds" \
    "$((runs / (seconds > 0 ? seconds : 1)))" "$total" "$(find "$corpus" -type f | wc -l)"
  if [ "$status" != 0 ]; then
    found=1
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" || tail -20 "$log"
  fi
done
exit "$found"
