#!/usr/bin/env bash
# Builds the extension with AddressSanitizer and UndefinedBehaviorSanitizer and runs the test
# suite under them, the ASan runtime preloaded into the interpreter.
#   tools/sanitize.sh [pytest args...]        (default: the whole suite)
# Any sanitizer report fails the run. Python's allocator is switched to malloc so that ASan
# sees every object, and so catches a reference released once too often. Leak detection is
# left to tools/leak_check.py: the interpreter itself keeps memory until exit by design.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
py=$(command -v "${PYTHON:-python}")
# The interpreter itself, not a shim script that would run under the preload as well.
interp=$("$py" -c 'import sys; print(sys.executable)')
cxx=${CXX:-g++}
asan=$("$cxx" -print-file-name=libasan.so)
if [ ! -e "$asan" ]; then
  echo "SKIP: $cxx has no shared ASan runtime (libasan.so)" >&2
  exit 77
fi

CXX=$cxx BUILD_TYPE=RelWithDebInfo PYTHON="$interp" \
  "$root/tools/dev.sh" sanitize -DOMBREL_SANITIZE=ON >/dev/null
stage=/tmp/ombrel-stage-sanitize
work=$(mktemp -d)
log=$work/sanitizer

# The oracles of the differential tests run without the preload: they are not under test, and
# some break under it (rpm hangs, php aborts on a module it opens with RTLD_DEEPBIND). Python
# subprocesses keep it, since they load the extension.
mkdir -p "$work/bin"
for tool in rpm dpkg java php ruby elixir Rscript perl node nodejs nix-instantiate vercmp go; do
  real=$(command -v "$tool" 2>/dev/null) || continue
  printf '#!/bin/sh\nunset LD_PRELOAD\nexec "%s" "$@"\n' "$real" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done

under_sanitizers() {
  (cd "$root" &&
    PATH="$work/bin:$PATH" LD_PRELOAD="$asan" PYTHONPATH="$stage" PYTHONMALLOC=malloc OMBREL_TIME_SCALE=10 \
    ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:check_initialization_order=1:detect_stack_use_after_return=1:log_path=$log" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$log" \
    "$interp" -m pytest "$@")
}

status=0
if [ $# -gt 0 ]; then
  under_sanitizers "$@" || status=$?
else
  # The whole suite, as two halves of its files (balanced by size) run side by side: the
  # instrumented build runs several times slower, and the halves share nothing.
  mapfile -t halves < <(cd "$root/tests" && wc -c test_*.py | grep -v ' total$' | sort -rn |
    awk '{ h = (size[0] <= size[1]) ? 0 : 1; size[h] += $1; files[h] = files[h] " tests/" $2 }
         END { print files[0]; print files[1] }')
  # shellcheck disable=SC2086  # the file lists are split on purpose
  under_sanitizers -p no:cacheprovider -q --basetemp="$work/tmp0" ${halves[0]} >"$work/half0" 2>&1 & first=$!
  # shellcheck disable=SC2086
  under_sanitizers -p no:cacheprovider -q --basetemp="$work/tmp1" ${halves[1]} >"$work/half1" 2>&1 || status=$?
  wait $first || status=$?
  cat "$work/half0" "$work/half1"
fi

# Reports go to files, so that one raised inside a subprocess of a test is seen as well.
if compgen -G "$log.*" >/dev/null; then
  cat "$log".* >&2
  echo "FAIL: sanitizer reports above" >&2
  exit 1
fi
[ $status -eq 0 ] && echo "sanitizers: no report"
exit $status
