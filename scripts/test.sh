#!/usr/bin/env bash
# Builds everything and runs every test (native build). PRESET picks a configure preset of
# CMakePresets.json (default; sanitize for AddressSanitizer and UBSan), BUILD_DIR the folder;
# extra CMake arguments pass through.
# It first installs the Debian packages the build and the tests need (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "test.sh: a first run takes about 10 minutes on a 2-core machine (installing packages, building, testing)"
scripts/install-deps.sh test
build=${BUILD_DIR:-build}
cmake --preset "${PRESET:-default}" -B "$build" "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
