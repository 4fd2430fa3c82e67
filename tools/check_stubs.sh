#!/usr/bin/env bash
# Checks the type stubs: mypy --strict on the package and on a usage sample, then stubtest
# of the stubs against the built extension.
#   tools/check_stubs.sh                                   against the installed package
#   PYTHONPATH=/tmp/ombrel-stage-NAME tools/check_stubs.sh against a tools/dev.sh stage
# Needs mypy (the `check` extra).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
py=${PYTHON:-python}
# Outside the source tree, so that the package under test is the only `ombrel` mypy sees;
# a staged package is not in site-packages, so mypy is pointed at it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if [ -n "${PYTHONPATH:-}" ]; then export MYPYPATH=$PYTHONPATH; fi

"$py" -m mypy --strict -p ombrel
"$py" -m mypy --strict "$root/tools/typing_sample.py"
"$py" "$root/tools/typing_sample.py"
"$py" -m mypy.stubtest --allowlist "$root/tools/stubtest_allowlist.txt" ombrel
