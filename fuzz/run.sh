#!/usr/bin/env bash
# Runs one fuzzer for a while, one worker, starting from the checked-in seeds:
#   fuzz/run.sh core SECONDS      libFuzzer over the core parsers
#   fuzz/run.sh python SECONDS    atheris over the Python surface (unguided without atheris)
# New inputs go to a temporary directory, never into fuzz/corpus. A finding is written to
# ./fuzz-artifacts/ and fails the run; exit 77 means the tools could not be had.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:?usage: fuzz/run.sh core|python SECONDS}
seconds=${2:-30}
# shellcheck source=fuzz/clang.sh
. "$root/fuzz/clang.sh"
out=$(fuzz_dir "$root")
work=$(mktemp -d)
artifacts=$PWD/fuzz-artifacts/
mkdir -p "$artifacts"
status=0

case $what in
  core)
    "$root/fuzz/build.sh" core >/dev/null || exit $?
    "$out/core_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$work" "$root/fuzz/corpus/core" >"$work.log" 2>&1 ||
      status=$?
    ;;
  python)
    "$root/fuzz/build.sh" python >/dev/null || exit $?
    py=$(command -v "${PYTHON:-python}")
    interp=$("$py" -c 'import sys; print(sys.executable)')
    stage=/tmp/ombrel-stage-fuzz-python-${out##*-}
    if PYTHONPATH="$out/atheris" "$interp" -c 'import atheris' 2>/dev/null; then
      # The extension's sanitizer and coverage calls resolve into atheris' own runtime.
      LD_PRELOAD="$out/atheris/asan_with_fuzzer.so" ASAN_OPTIONS=detect_leaks=0 \
        PYTHONMALLOC=malloc PYTHONPATH="$out/atheris:$stage" \
        "$interp" "$root/fuzz/python_fuzz.py" -max_total_time="$seconds" -timeout=20 \
        -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$work" "$root/fuzz/corpus/python" >"$work.log" 2>&1 || status=$?
    else
      # The extension was built with AddressSanitizer: without atheris use the stock build.
      "$root/tools/dev.sh" "fuzz-plain-${out##*-}" >/dev/null
      PYTHONPATH="/tmp/ombrel-stage-fuzz-plain-${out##*-}" "$interp" "$root/fuzz/python_fuzz.py" \
        --plain "$seconds" >"$work.log" 2>&1 || status=$?
    fi
    ;;
  *)
    echo "usage: fuzz/run.sh core|python SECONDS" >&2
    exit 2
    ;;
esac

grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|^plain:' "$work.log" || true
if [ $status -ne 0 ]; then
  tail -n 60 "$work.log" >&2
  echo "FAIL: the $what fuzzer found something; input saved in $artifacts" >&2
else
  echo "$what fuzzer: no finding in ${seconds} s"
  rmdir "$artifacts" 2>/dev/null || true
fi
rm -rf "$work" "$work.log"
# libFuzzer reports a finding with 77, which this script keeps for missing tools.
[ $status -eq 0 ] || exit 1
