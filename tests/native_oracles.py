"""Batch drivers for the native-syntax differential tests: one tool process per test, fixed
seeds, and versions around every bound a constraint names."""

import json
import os
import re
import shutil
import subprocess

import pytest

from ombrel import native_satisfies, vers_contains, vers_from_native

NODE_SEMVER = "/usr/share/nodejs/semver"

NODE_SCRIPT = """
const { Range, SemVer } = require('%s');
const cases = JSON.parse(require('fs').readFileSync(0, 'utf8'));
console.log(JSON.stringify(cases.map(([r, vs]) => {
  let range;
  try { range = new Range(r); } catch (e) { return null; }
  return vs.map(v => range.test(new SemVer(v)));
})));
""" % NODE_SEMVER


def node_verdicts(cases):
    """node-semver's answer for each (range, versions): None when it refuses the range."""
    if not shutil.which("node") or not os.path.isdir(NODE_SEMVER):
        pytest.skip("node or Debian's node-semver is not installed")
    env = dict(os.environ, NODE_PATH="/usr/share/nodejs")  # where Debian keeps its dependencies
    run = subprocess.run(["node", "-e", NODE_SCRIPT], input=json.dumps(cases), capture_output=True,
                         text=True, check=True, env=env)
    return json.loads(run.stdout)


def bumped(numbers):
    """Release numbers around the given ones: each one and its neighbours, per position."""
    out = set()
    for nums in numbers:
        for i in range(len(nums)):
            for d in (-1, 0, 1):
                n = list(nums)
                n[i] = max(0, n[i] + d)
                out.add(tuple(n))
    return sorted(out)


def around(text, suffixes, width=3):
    """Versions near every number group of `text`, with the given pre-release suffixes."""
    groups = [[int(x) for x in m.split(".")] for m in re.findall(r"\d+(?:\.\d+)*", text)]
    groups = [(g + [0, 0, 0])[:width] for g in groups if all(n < 10**6 for n in g)] or [[0] * width]
    return [".".join(map(str, n)) + s for n in bumped(groups) for s in suffixes]


def outcome(version, constraint, ecosystem):
    try:
        return native_satisfies(version, constraint, ecosystem)
    except ValueError:
        return None


def check_round_trip(ecosystem, constraint, versions):
    """The VERS text holds exactly the versions the constraint does."""
    vers = vers_from_native(ecosystem, constraint)
    for v in versions:
        assert vers_contains(vers, v) == native_satisfies(v, constraint, ecosystem), (constraint, v, vers)
