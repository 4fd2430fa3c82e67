import random

import pytest
from native_oracles import around, check_against, check_answers, masterminds_verdicts

from ombrel import native_satisfies


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("01.2.3", ["1.2.3"], ["1.2.4"]),  # leading zeros read as Masterminds reads them
        ("^*", ["0.0.0"], ["0.0.1", "1.0.0"]),  # `^` keeps every number written as 0, even x's
        ("~0.0.0", ["0.0.0", "9.0.0"], []),
        (">*", ["0.0.1"], ["0.0.0"]),
        ("<=*", ["0.0.9"], ["0.1.0"]),
        # A pre-release in one comparator lets pre-releases of any release into its alternative.
        (">=1.0.0-0 <2.0.0", ["1.5.0-rc.1", "2.0.0-0"], ["2.0.0"]),
        ("!=1.2.x, >=1.0.0-0", ["1.2.5-beta", "1.3.0-a"], ["1.2.5"]),
    ],
)
def test_helm_constraints(constraint, yes, no):
    check_answers("helm", constraint, yes, no)


def generated(seed, count, pre):
    """Constraints in Masterminds' shapes; with `pre`, every comparator names a pre-release, so
    that Masterminds' rules before and after v3.4 (per comparator, per alternative) agree."""
    rng = random.Random(seed)

    def version():
        parts = [rng.choice("0 1 2 10 x * X".split()[: 4 if rng.random() < 0.7 else 7])]
        parts += [rng.choice(["0", "1", "2", "x", "*"]) for _ in range(rng.randint(0, 2))]
        text = rng.choice(["", "", "v"]) + ".".join(parts)
        if pre:
            text += rng.choice(["-0", "-beta.1", "-rc.2"])
        return text + rng.choice(["", "", "", "+b.5"])

    def comparator():
        op = rng.choice(["", "", "=", "!=", ">", ">=", "=>", "<", "<=", "=<", "^", "~", "~>"])
        return op + rng.choice(["", "", " "]) + version()

    def alternative():
        if rng.random() < 0.2:
            return f"{version()} - {version()}"
        return rng.choice([" ", ", ", ","]).join(comparator() for _ in range(rng.randint(1, 3)))

    return [rng.choice([" || ", "||"]).join(alternative() for _ in range(rng.randint(1, 3)))
            for _ in range(count)]


ODD = ["", " ", "*", "^*", "~*", "<*", ">x", "!=*", "1 - 2 - 3", "1.2.3foo", "~ 1.2", "> = 1.2", "==1",
       "1 | 2", "*.|", "1.x.|", "1.0 1 - 2", "1 ||2 - 3", "1 - 2||3", "=>1.2", "=<1.2", "1.2.3.4", "1,",
       "1.0-beta||v2 - 3", ">=1.0, 1 - 2", "1 - 2 >=0", "1 - 2 3", "1 - 2 ,3", "1 - 2.x.3||4.x", "18446744073709551615", "^18446744073709551615"]


def test_agrees_with_masterminds(tmp_path):
    cases, releases = [], []
    for r in generated(1616, 700, False) + ODD:
        releases.append(r not in ODD)
        cases.append([r, around(r, [""])])
    for r in generated(1617, 500, True):
        releases.append(False)
        cases.append([r, around(r, ["", "-0", "-alpha", "-beta.1", "-rc.3"])])
    verdicts = masterminds_verdicts(cases, tmp_path)
    check_against("helm", cases, verdicts, caveat=lambda v: "-" in v)
    for (r, versions), answer, release_only in zip(cases, verdicts, releases):
        if answer is not None and release_only:  # and no pre-release gets in
            assert not any(native_satisfies(v + "-rc.1", r, "helm") for v in versions), r
