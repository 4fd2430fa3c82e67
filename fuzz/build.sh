#!/usr/bin/env bash
# Builds the fuzzing targets with clang's sanitizers:
#   fuzz/build.sh core      the libFuzzer harness of the core, /tmp/ombrel-fuzz-ID/core_fuzz
#                           (address and undefined-behaviour sanitizers)
#   fuzz/build.sh python    the extension with coverage counters and AddressSanitizer, staged
#                           in /tmp/ombrel-stage-fuzz-python-ID, and atheris in
#                           /tmp/ombrel-fuzz-ID/atheris (ID from the checkout's path)
#   fuzz/build.sh           both
# Needs clang 16 or later (std::expected) with its runtimes, installed from Debian when apt is
# there; exits 77 with a message when it cannot be had.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
# shellcheck source=fuzz/clang.sh
. "$root/fuzz/clang.sh"
out=$(fuzz_dir "$root")
find_clang || exit 77

build_core() {
  mkdir -p "$out/obj"
  local flags=(-std=c++23 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined
               -fno-sanitize-recover=undefined -I"$root/src/core")
  local objs=() src obj
  for src in "$root"/src/core/*.cpp "$root"/src/core/strategies/*.cpp "$root"/src/core/native/*.cpp; do
    obj="$out/obj/$(basename "$(dirname "$src")")_$(basename "$src" .cpp).o"
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] ||
       [ -n "$(find "$root/src/core" -name '*.hpp' -newer "$obj" -print -quit)" ]; then
      "$CLANGXX" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj" &
      while [ "$(jobs -rp | wc -l)" -ge "${JOBS:-2}" ]; do wait -n; done
    fi
    objs+=("$obj")
  done
  wait
  "$CLANGXX" "${flags[@]}" -fsanitize=fuzzer "$root/fuzz/core_fuzz.cpp" "${objs[@]}" \
    -o "$out/core_fuzz"
  echo "$out/core_fuzz"
}

build_python() {
  local py
  py=$(command -v "${PYTHON:-python}")
  if ! PYTHONPATH="$out/atheris" "$py" -c 'import atheris' 2>/dev/null; then
    "$py" -m pip install --quiet --target "$out/atheris" atheris >/dev/null 2>&1 ||
      echo "note: atheris could not be installed; fuzz/run.sh python falls back to --plain" >&2
  fi
  CXX=$CLANGXX CXXFLAGS="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer -g" \
    BUILD_TYPE=RelWithDebInfo "$root/tools/dev.sh" "fuzz-python-${out##*-}" >/dev/null
  echo "/tmp/ombrel-stage-fuzz-python-${out##*-}"
}

case $what in
  core) build_core ;;
  python) build_python ;;
  all) build_core && build_python ;;
  *) echo "usage: fuzz/build.sh [core|python]" >&2; exit 2 ;;
esac
