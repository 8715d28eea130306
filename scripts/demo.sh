#!/usr/bin/env bash
# The main job: builds everything (Release), registers the EDF reader component in the user's
# class registry, writes the sample recording, prints what tapline-info reads from it through
# the library (and writes a window as CSV), and draws a window as a PNG with the Python wrapper.
# BUILD_DIR (default build-release) and PYTHON (default /usr/bin/python3) may be set. It first
# installs the Debian packages it needs (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
echo "demo.sh: a first run takes about 2 minutes on a 2-core machine (installing packages, building)"
scripts/install-deps.sh demo
build=${BUILD_DIR:-build-release}
python=${PYTHON:-/usr/bin/python3}
out="$build/demo"

cmake --preset release -B "$build"
cmake --build "$build" -j "$(nproc)"

"$build/bin/tapline-regsvr" "$build/bin/libtapline_open_formats.so"
mkdir -p "$out"
"$build/bin/tapline-sample-writer" "$out/sample.edf"
echo
"$build/bin/tapline-info" "$out/sample.edf" --window 92 4 --csv "$out/window.csv"
echo
PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}" "$python" examples/python/plot_window.py "$out/sample.edf" "$out/window.png" \
  --start 40 --duration 10 --library "$build/bin/libtapline.so"
