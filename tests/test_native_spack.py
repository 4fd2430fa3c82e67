
import pytest
from conftest import raises, within
from native_oracles import around, check_round_trip

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("1.2:1.4", ["1.2", "1.3.9", "1.4", "1.4.5", "1.4a1"], ["1.1.9", "1.5", "1.40"]),
        (":1.4", ["0.1", "1.4.9"], ["1.5"]),
        ("1.2:", ["1.2", "9"], ["1.1"]),
        ("1.2", ["1.2", "1.2.5", "1.2a1", "1.2-5"], ["1.20", "1.3", "1.1"]),
        ("=1.2", ["1.2"], ["1.2.5"]),
        (" 1.2 , 2.0:2.1 ", ["1.2.1", "2.1.7"], ["1.5", "2.2"]),
        ("1.9:1.99", ["1.99.3"], ["2.0"]),
        (":", ["0", "99"], []),
    ],
)
def test_spack_ranges(constraint, yes, no):
    for v in yes:
        assert native_satisfies(v, constraint, "spack") is True, v
    for v in no:
        assert native_satisfies(v, constraint, "spack") is False, v


@pytest.mark.parametrize(
    "constraint, why",
    [("", "empty alternative"), ("1.2,", "empty alternative"), ("1:2:3", "more than one ':'")],
)
def test_spack_refusals_quote_the_text(constraint, why):
    raises(ValueError, f"invalid Spack range '{constraint}'; {why}", native_satisfies, "1.0", constraint, "spack")


@pytest.mark.parametrize("constraint", ["1.2:1.4", ":1.4", "1.2:", "1.2", "=1.2", "1.2,2.0:2.1", "0.9:1.9"])
def test_spack_round_trip_and_hostile(constraint):
    assert vers_from_native("spack", "1.2:1.4") == "vers:spack/>=1.2|<1.5"
    check_round_trip("spack", constraint, around(constraint, [""], 3) + around(constraint, [""], 2))
    with within(5):
        assert native_satisfies("7.5", ",".join(f"{i}" for i in range(100_000)), "spack") is True
