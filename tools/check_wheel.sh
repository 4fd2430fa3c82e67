#!/usr/bin/env bash
# Builds the wheel, checks that it is one abi3 wheel without stable-ABI violations
# (abi3audit), then installs it into a fresh virtual environment of every CPython 3.11+
# under ~/.pyenv/versions (or of $PYTHON when there is none) and runs it there.
#   tools/check_wheel.sh [DIR]   the wheel is left in DIR (default: a temporary directory)
# With OMBREL_WHEEL set to a wheel already built, that wheel is checked instead of a new one.
# Needs abi3audit (the `check` extra) in $PYTHON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
py=${PYTHON:-python}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=${1:-$work/dist}
mkdir -p "$out"
fail() { echo "check_wheel: $*" >&2; exit 1; }

if [ -n "${OMBREL_WHEEL:-}" ]; then
  cp "$OMBREL_WHEEL" "$out/"
else
  "$py" -m pip wheel "$root" --no-deps --quiet -w "$out"
fi
wheels=("$out"/ombrel-*.whl)
[ ${#wheels[@]} -eq 1 ] && [ -f "${wheels[0]}" ] || fail "expected one wheel in $out: ${wheels[*]}"
wheel=${wheels[0]}
case $(basename "$wheel") in
  *-cp311-abi3-*.whl) ;;
  *) fail "not a cp311-abi3 wheel: $(basename "$wheel")" ;;
esac
"$py" -m abi3audit --strict --summary "$wheel"
"$py" - "$wheel" <<'PY' || fail "files are missing from the wheel"
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
wanted = ["ombrel/__init__.py", "ombrel/_ombrel.pyi", "ombrel/py.typed", "ombrel/cli.py",
          "ombrel/__main__.py", "ombrel/_ombrel.abi3.so"]
missing = [n for n in wanted if n not in names]
sys.exit(f"missing: {missing}" if missing else 0)
PY

interpreters=()
for d in "$HOME"/.pyenv/versions/3.1[1-9]*; do
  [ -x "$d/bin/python" ] && interpreters+=("$d/bin/python")
done
[ ${#interpreters[@]} -gt 0 ] || interpreters=("$(command -v "$py")")

expected=$'1.0~rc1\n1.0\n1.0+b1\n1:0.9'
for interp in "${interpreters[@]}"; do
  name=$("$interp" -c 'import sys; print(sys.implementation.name + "-" + sys.version.split()[0])')
  if "$interp" -c 'import sys, sysconfig; sys.exit(not sysconfig.get_config_var("Py_GIL_DISABLED"))'; then
    echo "$name: skipped (free-threaded builds cannot load abi3 modules)"
    continue
  fi
  env=$work/venv-$name
  "$interp" -m venv "$env"
  "$env/bin/python" -m pip install --quiet --no-index --no-deps "$wheel"
  (cd "$work" && "$env/bin/python" -c '
import ombrel, ombrel._ombrel as ext, ombrel._ext as more
assert ombrel.__all__ == ext.__all__ + more.__all__ + ["OsvDatabase"]
assert more.__file__.endswith(".abi3.so"), more.__file__
assert ombrel.compare("1.0~rc1", "1.0", "debian") == -1
assert ext.__file__.endswith(".abi3.so"), ext.__file__
')
  got=$(cd "$work" && "$env/bin/ombrel" sort -e debian 1.0~rc1 1.0 1.0+b1 1:0.9)
  [ "$got" = "$expected" ] || fail "$name: ombrel sort printed: $got"
  got=$(cd "$work" && printf '1.9\n1.10\n' | "$env/bin/python" -m ombrel max)
  [ "$got" = "1.10" ] || fail "$name: python -m ombrel max printed: $got"
  echo "$name: ok"
done
echo "check_wheel: $(basename "$wheel") ok"
