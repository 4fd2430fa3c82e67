import random

import pytest
from native_oracles import around, check_answers, check_round_trip, outcome

from ombrel import compare, native_satisfies

packaging = pytest.importorskip("packaging.specifiers")

SUFFIXES = ["", "a1", "rc2", ".dev0", ".post1", ".post1.dev2", "+local.7", "a1+x"]


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        # (the operators, bounds and suffixes the run against packaging below draws are left to it)
        ("<2.0", ["1.9"], ["2.0a1", "2.0.dev0"]),  # the bound's pre-releases stay out
        (">1.0", ["1.0.1.dev0", "1.1"], ["1.0.post1", "1.0+x"]),  # its post-releases and locals too
        (" >= 1.0 ,, ", ["1.0"], ["0.9"]), ("===1.0", ["1.0"], ["1.0.0"]),
        ("~=v1.1", [], ["1.1", "1.2"]),  # packaging's prefix keeps the `v` and matches nothing
    ],
)
def test_pep440_specifier_sets(constraint, yes, no):
    check_answers("pep440", constraint, yes, no)


def generated_sets(seed, count):
    rng = random.Random(seed)

    def version(op):
        text = ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(2 if op == "~=" else 1, 3)))
        if op in ("==", "!=") and rng.random() < 0.3:
            return text + ".*"
        text += rng.choice(["", "", "", "a1", "rc2", ".post1", ".dev3", "b2.post1"])
        if op in ("==", "!=") and rng.random() < 0.15:
            text += "+loc.1"
        return rng.choice(["", "", "", "1!", "v"]) + text

    def spec():
        op = rng.choice(["==", "!=", "<=", ">=", "<", ">", "~=", "==="])
        return op + rng.choice(["", "", " "]) + version(op)

    sets = [",".join(spec() for _ in range(rng.randint(1, 3))) for _ in range(count)]
    return sets + ["", ",", "~=1", "==1.*,!=1.1.*", ">1.0.dev1", "<1.0.post1", "===foo", "== 1.0", ">=1.0;"]


def ordered_alike(v, bounds):
    """The library orders `v` against every bound as packaging does (the answers can only agree
    where the orders do)."""
    from packaging.version import Version

    for v, b in [(w, b) for w in {v, v.split("+")[0]} for b in bounds]:
        try:
            theirs = (Version(v) > Version(b)) - (Version(v) < Version(b))
        except ValueError:
            continue
        if compare(v, b, "pep440") != theirs:
            return False
    return True


def test_agrees_with_packaging():
    checked = 0
    for s in generated_sets(440, 800):
        try:
            spec = packaging.SpecifierSet(s)
        except packaging.InvalidSpecifier:
            with pytest.raises(ValueError, match="^invalid PEP 440 specifier set"):
                native_satisfies("1.0", s, "pep440")
            continue
        versions = [v for v in around(s, SUFFIXES, width=2) if outcome(v, "", "pep440") is not None]
        bounds = []
        for b in spec:
            base = b.version.removesuffix(".*")
            release = base.split("!")[-1].split("+")[0].lstrip("v")
            bounds += [base, base + ".dev0"]
            if release.replace(".", "").isdigit():
                parts = release.split(".")
                bounds += [".".join(parts[:-1] + [str(int(parts[-1]) + 1)]) + ".dev0",
                           ".".join(parts[:-2] + [str(int(parts[-2]) + 1)] if len(parts) > 1 else ["0"]) + ".dev0"]
        versions = [v for v in versions if ordered_alike(v, bounds)]
        for v in versions:
            assert native_satisfies(v, s, "pep440") == spec.contains(v), (s, v)
        checked += len(versions)
        plain = [v for v in versions if not any(m in v for m in ("a", "rc", "dev", "post", "+"))]
        if "===" not in s and all(ordered_alike(b, bounds) for b in bounds):
            check_round_trip("pep440", s, plain)
    assert checked > 5000
