#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs that this machine lacks, and only those.
#   scripts/install-deps.sh demo   build the library and tools, run the demo and its plot
#   scripts/install-deps.sh test   the above, plus GoogleTest, the Python tests' packages and the
#                                  other readers the tests compare with (BioSig's save2gdf
#                                  and Python module)
#   scripts/install-deps.sh ci     the above, plus clang's fuzzer and sanitizers, Google
#                                  Benchmark, mingw-w64, Wine and dpkg-dev for CPack's Debian
#                                  package (what .ci/run needs)
# As root it runs apt-get; otherwise it uses sudo when there is one. Without either it prints
# the one apt-get line needed and exits with status 2, so the calling script stops before it
# builds anything. Exits 0 at once when nothing is missing.
set -euo pipefail

build=(cmake ninja-build g++ libflac-dev)
python=(python3 python3-numpy python3-matplotlib)
tests=(libgtest-dev libgmock-dev python3-venv python3-pip python3-pandas python3-mne python3-dask python3-distributed
       biosig-tools python3-biosig)
ci=(clang libclang-rt-14-dev libbenchmark-dev g++-mingw-w64-x86-64-posix wine64 wine dpkg-dev)

case "${1:-test}" in
  demo) wanted=("${build[@]}" "${python[@]}") ;;
  test) wanted=("${build[@]}" "${python[@]}" "${tests[@]}") ;;
  ci) wanted=("${build[@]}" "${python[@]}" "${tests[@]}" "${ci[@]}") ;;
  *) echo "usage: $0 [demo|test|ci]" >&2; exit 64 ;;
esac

installed() {
  [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}

missing=()
for package in "${wanted[@]}"; do
  installed "$package" || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

line="apt-get install -y --no-install-recommends ${missing[*]}"
if ((EUID == 0)); then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
  echo "install-deps: as root, run:" >&2
  echo "  $line" >&2
  exit 2
fi

echo "install-deps: installing ${missing[*]} (first time only; a few minutes)"
export DEBIAN_FRONTEND=noninteractive
if ! "${run[@]}" apt-get update -qq || ! "${run[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null; then
  echo "install-deps: the installation failed; as root, run:" >&2
  echo "  $line" >&2
  exit 2
fi
echo "install-deps: installed ${missing[*]}"
