#!/usr/bin/env bash
# The main job: builds everything (Release), registers the EDF reader component in the user's
# class registry, writes the sample recording, prints what tapline-info reads from it through
# the library (and writes a window as CSV), and draws a window as a PNG with the Python wrapper.
# With a RECORDING argument (EDF, a BrainVision .vhdr, a WFDB .hea or GDF) it reads and draws that
# recording instead of the sample, from its first second. BUILD_DIR (default build-release) and
# PYTHON (default /usr/bin/python3) may be set. It first installs the Debian packages it needs
# (scripts/install-deps.sh).
#   scripts/demo.sh [RECORDING]
set -euo pipefail
recording=${1:+$(realpath -- "$1")}
if [ $# -gt 1 ] || { [ -n "$recording" ] && [ ! -f "$recording" ]; }; then
  echo "usage: scripts/demo.sh [RECORDING]   (an existing .edf, .vhdr, .hea or .gdf file)" >&2
  exit 2
fi
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
if [ -z "$recording" ]; then
  recording="$out/sample.edf" window=(92 4) plot=(40 10)
  "$build/bin/tapline-sample-writer" "$recording"
else
  window=(0 1) plot=(0 1)
fi
echo
"$build/bin/tapline-info" "$recording" --window "${window[@]}" --csv "$out/window.csv"
echo
PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}" "$python" examples/python/plot_window.py "$recording" "$out/window.png" \
  --start "${plot[0]}" --duration "${plot[1]}" --library "$build/bin/libtapline.so"
