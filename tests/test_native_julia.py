import random

import pytest
from conftest import raises
from native_oracles import around, check_round_trip

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, vers",
    [
        ("1.2.3", ">=1.2.3|<2.0.0"), ("^1.2", ">=1.2.0|<2.0.0"), ("0.2.3", ">=0.2.3|<0.3.0"),
        ("0.0.3", ">=0.0.3|<0.0.4"), ("0.0", ">=0.0.0|<0.1.0"), ("0", ">=0.0.0|<1.0.0"),
        ("~1.2.3", ">=1.2.3|<1.3.0"), ("~1.2", ">=1.2.0|<1.3.0"), ("~1", ">=1.0.0|<2.0.0"),
        ("~0.0.3", ">=0.0.3|<0.0.4"), ("~0.2.3", ">=0.2.3|<0.3.0"), ("=1.2.3", ">=1.2.3|<1.2.4"),
        ("=1.2", ">=1.2.0|<1.3.0"), (">= 1.2", ">=1.2.0"), ("\u2265 1.2", ">=1.2.0"), ("< 1.2", "<1.2.0"),
        ("1.2.3 - 2", ">=1.2.3|<3.0.0"), ("0.2 - 0.5", ">=0.2.0|<0.6.0"),
        ("0.2, 1.3", ">=0.2.0|<0.3.0|>=1.3.0|<2.0.0"), ("1, 1.5", ">=1.0.0|<2.0.0"),
    ],
)
def test_julia_compat_entries_as_vers(constraint, vers):
    assert vers_from_native("julia", constraint) == "vers:julia/" + vers


@pytest.mark.parametrize("constraint, piece", [
    ("", ""), ("1.2,", ""), ("v1.2", "v1.2"), ("1.2.3.4", "1.2.3.4"), ("1.2.3-rc", "1.2.3-rc"),
    ("1.2-2", "1.2-2"), ("> 1.2", "> 1.2"), ("1 -", "1 -"),
])
def test_julia_refusals_quote_the_text(constraint, piece):
    raises(ValueError, f"invalid julia range '{constraint}'; invalid version specifier '{piece}'",
           native_satisfies, "1.0.0", constraint, "julia")


def test_julia_round_trip_on_generated_entries():
    rng = random.Random(1623)
    assert native_satisfies("1.5.0", "1.2, 2", "julia") and not native_satisfies("3.0.0", "1.2, 2", "julia")
    for _ in range(300):
        def spec():
            v = ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(1, 3)))
            return rng.choice(["", "^", "~", "=", ">=", "<"]) + v
        r = ", ".join(spec() for _ in range(rng.randint(1, 3)))
        check_round_trip("julia", r, around(r, [""]))
