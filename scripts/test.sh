#!/usr/bin/env bash
# Builds everything and runs every test (native build). Extra CMake arguments pass through,
# e.g. scripts/test.sh -DCMAKE_CXX_FLAGS=-fsanitize=address,undefined with BUILD_DIR=build-asan.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
