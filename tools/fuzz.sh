#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and sanitizers and runs each one.
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_typing fuzz_compose fuzz_lexicon fuzz_lexicon_image fuzz_learned fuzz_clean_text fuzz_wav fuzz_json fuzz_model_files fuzz_manifest fuzz_charset)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DMIRADOT_FUZZ=ON -DMIRADOT_WINDOWS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

export MIRADOT_FUZZ_DATA="$PWD/data"
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  cp -n "tests/fuzz/seeds/$target"/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/$target-" "$corpus" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || true
done
