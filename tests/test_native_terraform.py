import random

import pytest
from conftest import raises
from native_oracles import around, check_answers, check_round_trip

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, vers",
    [
        ("~> 1.2", ">=1.2|<2"), ("~> 1.2.3", ">=1.2.3|<1.3"), ("~> 1", ">=1|<2"), ("1.2.3", "1.2.3"),
        ("= 1.2.3", "1.2.3"), (">= 1.0, < 2.0, != 1.5.0", ">=1.0|!=1.5.0|<2.0"), ("> 1.0", ">1.0"),
        (" <= 0.15 ", "<=0.15"),
    ],
)
def test_terraform_constraints_as_vers(constraint, vers):
    assert vers_from_native("terraform", constraint) == "vers:terraform/" + vers


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("~> 1.2", ["1.2.0", "1.99"], ["2.0.0", "1.5.0-beta"]),
        (">= 1.0.0", ["1.0.0"], ["1.1.0-rc1"]),
        ("1.1.0-rc1", ["1.1.0-rc1"], ["1.1.0"]),
        ("= 1.1.0-rc1, >= 1.0", ["1.1.0-rc1"], ["1.1.0-rc2"]),
        ("!= 1.1.0-rc1", ["1.1.0"], ["1.1.0-rc2"]),
    ],
)
def test_terraform_prereleases_only_by_exact_match(constraint, yes, no):
    check_answers("terraform", constraint, yes, no)


@pytest.mark.parametrize("constraint, piece", [
    ("", ""), (">= 1.0,", ""), ("v1.2", "v1.2"), ("~> 1.2.3.4", "~> 1.2.3.4"), ("=> 1", "=> 1"),
    (">= 1.0 < 2", ">= 1.0 < 2"), ("1.2.", "1.2."), ("1.0-", "1.0-"),
])
def test_terraform_refusals_quote_the_text(constraint, piece):
    raises(ValueError, f"invalid terraform range '{constraint}'; invalid constraint '{piece}'",
           native_satisfies, "1.0.0", constraint, "opentofu")


def test_terraform_round_trip_on_generated_constraints():
    rng = random.Random(1621)
    for _ in range(400):
        def piece():
            v = ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(1, 3)))
            return rng.choice(["", "=", "!=", ">", ">=", "<", "<=", "~>"]) + rng.choice(["", " "]) + v
        r = ", ".join(piece() for _ in range(rng.randint(1, 3)))
        check_round_trip("terraform", r, around(r, [""]))
