import random

import pytest
from native_oracles import around, check_against, check_answers, composer_verdicts


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        # (Plain comparisons, hyphens and alternatives are left to the run against Composer below.)
        # `^` and `~` take in the pre-releases of their lower bound unless it names a stability.
        ("^1.2-beta", ["1.2-beta", "1.2-RC1"], ["1.2-alpha", "1.2-dev", "2.0-alpha"]),
        ("~1.0.x-dev", ["1.0.x-dev", "1.0.99999999"], ["1.0.5", "1.1-dev"]),
        ("~V1.0", ["1.5"], ["2.0"]),
        ("v1.0", ["1.0.0", "1.0.0.0", "1.0+build", "1.0@dev"], ["1.0.1", "1.0-dev"]),
        ("== 1.0 as 2.0", ["1.0"], ["2.0"]), ("*.*", ["0.0.1"], ["dev-main"]),
        # Stability flags: on a comparison they lower the bound to that stability.
        (">=1.0@STABLE", ["1.0-dev"], ["0.9"]),
        # Branches are equal or unequal to versions, never above or below.
        ("dev-main", ["dev-main", "DEV-main"], ["dev-Main", "9999999-dev"]),
        ("feature/x-dev", ["dev-feature/x"], []),
        ("!=dev-main", ["dev-x", "1.0"], ["dev-main"]),
        ("1.x-dev", ["1.x-dev", "1.*-dev", "1 -dev"], ["1.5", "2.x-dev"]),
        ("<= 2 -dev", ["2.99999"], ["dev-main"]),
        # Dates and loose texts.
        (">=2023-01-01", ["2023-01-01", "2023-06-01"], ["2022-12-31"]),
        (" 1.0\n", ["1.0"], []),
        ("1.0\nanything", ["1.0"], []),
    ],
)
def test_composer_constraints(constraint, yes, no):
    check_answers("composer", constraint, yes, no)


def generated_constraints(seed, count):
    rng = random.Random(seed)

    def version():
        text = rng.choice(["", "", "v"]) + ".".join(str(rng.choice([0, 0, 1, 2, 10])) for _ in range(rng.randint(1, 4)))
        return text + rng.choice(["", "", "", "", "-beta", "-RC1", "-alpha2", "-p1", "-dev", ".x-dev", "+b", "@dev",
                                  "@beta", "@stable", "rc1", ".beta", "-stable"])

    def constraint():
        shape = rng.random()
        if shape < 0.15:
            return rng.choice(["^", "~"]) + version()
        if shape < 0.25:
            return ".".join(str(rng.choice([0, 1, 2])) for _ in range(rng.randint(1, 3))) + rng.choice([".*", ".x", ".*.*"])
        if shape < 0.32:
            return version() + rng.choice([" - ", " -  ", "  - "]) + version()
        if shape < 0.36:
            return rng.choice(["*", "dev-main", "dev-master", "master", "1.x-dev", "foo-dev", "dev-feature#a1", "@dev"])
        op = rng.choice(["", "=", "==", "!=", "<>", "<", "<=", ">", ">=", ">=", "<"])
        return op + rng.choice(["", "", " "]) + version()

    def conjunction():
        return rng.choice([" ", ",", ", ", " ,", "  "]).join(constraint() for _ in range(rng.randint(1, 3)))

    return [rng.choice([" || ", "|", "||", " | "]).join(conjunction() for _ in range(rng.randint(1, 2)))
            for _ in range(count)]


BRANCHES = ["dev-main", "dev-master", "dev-foo", "1.x-dev", "0.x-dev", "2.0.x-dev", "9999999-dev"]


def test_agrees_with_composer_semver():
    suffixes = ["", "-dev", "-alpha1", "-beta", "-RC1", "-p1", "-stable"]
    cases = [(r, sorted(set(around(r, suffixes) + around(r, ["", "-dev"], width=4))) + BRANCHES)
             for r in generated_constraints(1602, 400)]
    check_against("composer", cases, composer_verdicts(cases), caveat=lambda v: v.startswith("dev-") or v == "9999999-dev")
