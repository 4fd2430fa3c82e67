import random

import pytest
from conftest import raises
from native_oracles import around, check_answers, check_round_trip, outcome

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, vers",
    [
        ("1.2.3", ">=1.2.3|<2.0.0"), ("^1.2", ">=1.2.0|<2.0.0"), ("1", ">=1.0.0|<2.0.0"),
        ("^0.2.3", ">=0.2.3|<0.3.0"), ("^0.0.3", "0.0.3"), ("^0.0", ">=0.0.0|<0.1.0"),
        ("^0", ">=0.0.0|<1.0.0"), ("~1.2.3", ">=1.2.3|<1.3.0"), ("~1", ">=1.0.0|<2.0.0"),
        ("=1.2", ">=1.2.0|<1.3.0"), ("=1.2.3-rc.1", "1.2.3-rc.1"), (">1.2", ">=1.3.0"),
        (">1", ">=2.0.0"), (">1.2.3", ">1.2.3"), ("<=1.2", "<1.3.0"), ("<1", "<1.0.0"),
        ("1.*", ">=1.0.0|<2.0.0"), ("1.2.x", ">=1.2.0|<1.3.0"), (">=1.*", ">=1.0.0"),
        ("*", "*"), (" >= 1.2 , < 1.5 ", ">=1.2.0|<1.5.0"),
        ("^18446744073709551614", ">=18446744073709551614.0.0|<18446744073709551615.0.0"),
    ],
)
def test_crates_requirements_as_vers(constraint, vers):
    assert vers_from_native("crates", constraint) == "vers:cargo/" + vers


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("^1.2.3-alpha", ["1.2.3-beta", "1.2.3", "1.9.0"], ["1.2.4-beta", "1.2.3-0", "2.0.0-0"]),
        (">=1.0.0, <2.0.0", ["1.5.0"], ["1.5.0-rc.1", "2.0.0-0"]),
        ("*", ["0.0.0"], ["1.0.0-rc.1"]),
        ("<1.2.3-rc.2", ["1.2.3-rc.1", "1.2.2"], ["1.2.2-rc.1"]),
    ],
)
def test_crates_prerelease_rule(constraint, yes, no):
    check_answers("crates", constraint, yes, no)


@pytest.mark.parametrize("constraint, piece", [
    (">= 01.2", ">= 01.2"), ("1.2-rc", "1.2-rc"), ("1.*.3", "1.*.3"), ("v1.2", "v1.2"),
    ("1.2.3.4", "1.2.3.4"), ("1 || 2", "1 || 2"), ("^*", "^*"), ("1.2.3-", "1.2.3-"),
    ("18446744073709551616", "18446744073709551616"),
])
def test_crates_refusals_quote_the_text(constraint, piece):
    raises(ValueError, f"invalid crates range '{constraint}'; invalid comparator '{piece}'",
           native_satisfies, "1.0.0", constraint, "crates")
    for empty in ["", "1,", "*, 1"]:
        with pytest.raises(ValueError, match="^invalid crates range"):
            native_satisfies("1.0.0", empty, "cargo")


def test_crates_round_trip_on_generated_requirements():
    rng = random.Random(1620)
    for _ in range(400):
        def comparator():
            nums = [str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(1, 3))]
            if len(nums) > 1 and rng.random() < 0.2:
                nums[-1] = "*"
            return rng.choice(["", "=", ">", ">=", "<", "<=", "~", "^"]) + rng.choice(["", " "]) + ".".join(nums)
        r = ", ".join(comparator() for _ in range(rng.randint(1, 3)))
        if outcome("1.0.0", r, "crates") is not None:
            check_round_trip("crates", r, around(r, [""]))
