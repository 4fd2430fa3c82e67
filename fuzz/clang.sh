# Sourced by the fuzz and sanitizer scripts: find_clang sets CLANGXX to a clang++ of version 16
# or later whose sanitizer and libFuzzer runtimes are installed (clang 14, Debian's default,
# cannot compile the library's std::expected), installing Debian's clang-19 when apt is there.
# CLANG_ASAN is the path of its shared ASan runtime. fuzz_dir names where a checkout keeps its
# fuzzers' build products, apart from any other checkout's.

fuzz_dir() {
  echo "/tmp/ombrel-fuzz-$(printf %s "$1" | cksum | cut -d' ' -f1)"
}

clang_ok() {
  local cxx=$1 v
  command -v "$cxx" >/dev/null 2>&1 || return 1
  v=$("$cxx" -dumpversion 2>/dev/null | cut -d. -f1)
  [ -n "$v" ] && [ "$v" -ge 16 ] || return 1
  CLANG_ASAN=$("$cxx" -print-file-name=libclang_rt.asan-x86_64.so)
  [ -f "$CLANG_ASAN" ] && [ -f "$("$cxx" -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]
}

find_clang() {
  local cxx
  for cxx in ${CLANGXX:-} clang++ clang++-22 clang++-19 clang++-16; do
    if clang_ok "$cxx"; then
      CLANGXX=$cxx
      return 0
    fi
  done
  if command -v apt-get >/dev/null 2>&1 && [ "$(id -u)" = 0 ]; then
    echo "installing clang-19 and its runtimes from Debian" >&2
    apt-get update -qq >/dev/null 2>&1 || true
    if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-19 libclang-rt-19-dev \
        >/dev/null 2>&1 && clang_ok clang++-19; then
      CLANGXX=clang++-19
      return 0
    fi
  fi
  echo "SKIP: no clang >= 16 with libFuzzer and sanitizer runtimes, and apt cannot install one" >&2
  return 1
}
