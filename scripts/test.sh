#!/usr/bin/env bash
# Builds everything and runs every test (native build). Extra CMake arguments pass through,
# e.g. scripts/test.sh -DCMAKE_CXX_FLAGS=-fsanitize=address,undefined with BUILD_DIR=build-asan.
# It first installs the Debian packages the build and the tests need (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "test.sh: a first run takes about 10 minutes on a 2-core machine (installing packages, building, testing)"
scripts/install-deps.sh test
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
