#!/usr/bin/env bash
# The long soak of the text service: random typing into two documents of the
# test host, each edit request granted at once, after the key or many keys
# later, checked against the engine alone; prints the figures.
#   tools/soak.sh [KEYS] [SEED]    (200000 keys and seed 1 unless given; uses the build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
keys=${1:-200000}
seed=${2:-1}
runner=tests/support/run-wine-test.sh
program=build/windows/tests/tsf/tsf_host_tests.exe
[ -f "$program" ] || { echo "build the tests first: cmake --build build" >&2; exit 2; }
work=$(mktemp -d)
trap 'bash "$runner" --cleanup "$work/prefix"; rm -rf "$work"' EXIT
bash "$runner" --setup "$work/prefix"
export MIRADOT_SOAK_KEYS=$keys MIRADOT_SOAK_SEED=$seed
bash "$runner" --display "$work/prefix" "$program" --gtest_filter='SoakTest.SoakOfRandom*' \
  | grep -E '^soak:|after key|^  "|but the engine|\[  (PASSED|FAILED) '
