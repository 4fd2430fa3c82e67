import json
import random

import pytest
from conftest import DATA
from native_oracles import around, check_against, check_answers, node_verdicts, outcome

from ombrel import vers_contains, vers_from_native

NPM_SUFFIXES = ["", "-0", "-alpha", "-rc.1"]


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("x", ["0.0.0", "99.0.0"], ["2.5.20-1"]),
        ("", ["3.0.0"], ["3.0.0-0"]),
        ("> =1.2", ["1.2.0"], ["1.1.9"]),  # the space after the operator goes
        ("1.2.3-beta || ", ["1.2.4"], ["1.2.3-beta"]),  # an "any" alternative is all that stays
        (">=0x0x0", ["0.0.1"], ["0.0.1-0"]),  # node-semver's dots match any character
        ("<0.0.0-0 || 1", ["1.5.0"], ["0.0.0"]),
    ],
)
def test_npm_constraints(constraint, yes, no):
    check_answers("npm", constraint, yes, no)


def generated_ranges(seed, count):
    rng = random.Random(seed)
    nums = ["0", "1", "2", "10", "x", "*", "X"]

    def version():
        parts = [rng.choice(nums[:4])] + [rng.choice(nums) for _ in range(rng.randint(0, 2))]
        text = ".".join(parts)
        if len(parts) == 3 and rng.random() < 0.25:
            text += rng.choice(["-0", "-beta.1", "-rc.2", "+build.5"])
        return rng.choice(["", "", "", "v", "=", "v="]) + text

    def comparator():
        op = rng.choice(["", "", "=", ">", ">=", "<", "<=", "^", "~", "~>"])
        return op + rng.choice(["", "", " "]) + version()

    def alternative():
        if rng.random() < 0.2:
            return f"{version()} - {version()}"
        return " ".join(comparator() for _ in range(rng.randint(1, 3)))

    out = [rng.choice([" || ", "||"]).join(alternative() for _ in range(rng.randint(1, 3)))
           for _ in range(count)]
    return out + ["", " ", "*", "^*", "~*", ">=0.0.0", "<*", ">x", "1 - 2 - 3", "1.2.3foo", "~ 1.2",
                  "^ 1.2", "> = 1.2", ">==1", "\t1.2\t||\t2", "1.2.3 ||", "||", "x.1.2", "1.x.3-beta"]


def advisory_ranges():
    """The npm ranges of real advisories with their VERS, where the shared data is at hand."""
    path = DATA.parent / "ranges" / "npm-advisory-ranges.json"
    return json.loads(path.read_text()) if path.is_file() else []


def test_agrees_with_node_semver():
    ranges = generated_ranges(1616, 1500) + [e["native"] for e in advisory_ranges()]
    cases = [[r, [v for v in around(r, NPM_SUFFIXES) if outcome(v, "*", "npm") is not None]] for r in ranges]
    check_against("npm", cases, node_verdicts(cases), caveat=lambda v: "-" in v)


def test_advisory_ranges_give_the_versions_of_their_vers():
    entries = advisory_ranges() or pytest.skip("the shared advisory ranges are not at hand")
    unreadable = 0  # texts that keep touching constraints (`<2.1.0|>=2.1.0`), which the reader refuses
    for entry in entries:
        vers = vers_from_native("npm", entry["native"])
        try:
            vers_contains(entry["vers"], "0.0.0")
        except ValueError:
            unreadable += 1
            continue
        for v in around(entry["native"] + " " + entry["vers"], NPM_SUFFIXES):
            assert vers_contains(vers, v) == vers_contains(entry["vers"], v), (entry, v, vers)
    assert unreadable <= 2
