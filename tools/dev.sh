#!/usr/bin/env bash
# Incremental development build: compiles the extension in its own build directory and
# stages an importable `ombrel` package next to it, without touching site-packages.
#   tools/dev.sh NAME [cmake args...]   then   PYTHONPATH=/tmp/ombrel-stage-NAME python -m pytest
set -euo pipefail
name=${1:-dev}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=/tmp/ombrel-build-$name
stage=/tmp/ombrel-stage-$name
py=${PYTHON:-python}
# A build directory configured from another checkout would build that checkout's sources.
if [ -f "$build/CMakeCache.txt" ] &&
   ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} \
    -DPython_EXECUTABLE="$(command -v "$py")" "$@" >/dev/null
fi
cmake --build "$build" -j "${JOBS:-2}"
mkdir -p "$stage/ombrel"
for f in "$root"/src/ombrel/*; do ln -sf "$f" "$stage/ombrel/"; done
cp -f "$build"/_ombrel*.so "$build"/_ext*.so "$stage/ombrel/"
echo "PYTHONPATH=$stage"
