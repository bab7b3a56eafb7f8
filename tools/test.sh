#!/usr/bin/env bash
# Builds everything and runs every test with one ctest summary.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
