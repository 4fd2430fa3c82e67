import random

import pytest
from conftest import raises
from native_oracles import around, check_answers, check_round_trip, outcome

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, vers",
    [
        ("^1.2.3", ">=1.2.3|<2.0.0-0"), ("^0.2.3", ">=0.2.3|<0.3.0-0"), ("^0.0.3", ">=0.0.3|<0.0.4-0"),
        ("any", "*"), ("1.2.3", "1.2.3"), (">=1.0.0 <2.0.0", ">=1.0.0|<2.0.0-0"),
        (">= 1.0.0 <=2.0.0", ">=1.0.0|<=2.0.0"), (">=2.0.0-dev <2.0.0", ">=2.0.0-dev|<2.0.0"),
        ("<2.0.0+1", "<2.0.0+1"), (">1.0.0<1.0.0", "none"),
    ],
)
def test_dart_constraints_as_vers(constraint, vers):
    assert vers_from_native("dart", constraint) == ("vers:none/*" if vers == "none" else "vers:pub/" + vers)


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("^1.2.3", ["1.2.3", "1.9.9-dev"], ["2.0.0-dev", "1.2.3-dev"]),
        (">=1.0.0 <2.0.0", ["1.0.1-beta"], ["2.0.0-beta"]),
        (">=2.0.0-dev <2.0.0", ["2.0.0-dev.1"], ["2.0.0"]),
    ],
)
def test_dart_upper_ends_leave_out_their_prereleases(constraint, yes, no):
    check_answers("dart", constraint, yes, no)


@pytest.mark.parametrize("constraint, why", [
    ("", "empty constraint"), ("1.0.0 1.0.0", "a version stands only alone"),
    (">=1.0.0 2.0.0", "a version stands only alone"), (">=", "expected a version"),
    ("<", "expected a version"),
])
def test_dart_refusals_quote_the_text(constraint, why):
    raises(ValueError, f"invalid dart range '{constraint}'; {why}", native_satisfies, "1.0.0", constraint, "pub")
    for bad in ["^1.2", ">=1", "any any", "^ 1.2.3"]:
        with pytest.raises(ValueError):
            native_satisfies("1.0.0", bad, "dart")


def test_dart_round_trip_on_generated_constraints():
    rng = random.Random(1622)
    for _ in range(300):
        def v():
            return ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(3)) + rng.choice(["", "", "-dev"])
        r = rng.choice(["^" + v(), v(), " ".join(rng.choice([">", ">=", "<", "<="]) + v() for _ in range(2))])
        if outcome("1.0.0", r, "dart") is not None:
            check_round_trip("dart", r, around(r, [""]))
