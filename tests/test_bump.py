import pytest
from conftest import U64

from ombrel import bump_major, bump_minor, bump_patch, bump_prerelease, next_stable

FUNCTIONS = [bump_major, bump_minor, bump_patch, next_stable, bump_prerelease]


# version -> (bump_major, bump_minor, bump_patch, next_stable, bump_prerelease)
@pytest.mark.parametrize(
    "version, expected",
    [
        ("1.2.3-alpha.1+build", ("2.0.0", "1.3.0", "1.2.4", "1.2.3", "1.2.3-alpha.2")),
        ("v1.2.3", ("2.0.0", "1.3.0", "1.2.4", "1.2.3", "1.2.3-alpha.0")),
        ("2:1.2.3", ("2.0.0", "1.3.0", "1.2.4", "1.2.3", "1.2.3-alpha.0")),
        ("1", ("2.0.0", "1.1.0", "1.0.1", "1.0.0", "1.0.0-alpha.0")),
        ("  \t", ("1.0.0", "0.1.0", "0.0.1", "0.0.0", "0.0.0-alpha.0")),
        ("1.2.3.4", ("2.0.0", "1.3.0", "1.2.4", "1.2.3", "1.2.3-alpha.0")),
        ("2024.01.15", ("2025.0.0", "2024.2.0", "2024.1.16", "2024.1.15", "2024.1.15-alpha.0")),
        ("1.x.3", ("2.0.0", "1.1.0", "1.0.4", "1.0.3", "1.0.3-alpha.0")),
        ("alpha.1", ("1.0.0", "0.2.0", "0.1.1", "0.1.0", "0.1.0-alpha.2")),
        ("1.9.99", ("2.0.0", "1.10.0", "1.9.100", "1.9.99", "1.9.99-alpha.0")),
        ("1.0~rc1", ("2.0.0", "1.1.0", "1.0.1", "1.0.0", "1.0.0-alpha.0")),
        ("1.2.3€4", ("2.0.0", "1.3.0", "1.2.4", "1.2.3", "1.2.3-alpha.0")),
    ],
)
def test_bumps(version, expected):
    got = tuple(fn(version) for fn in FUNCTIONS)
    assert got == expected
    assert all(type(r) is str for r in got)


@pytest.mark.parametrize(
    "version, tag, expected",
    [
        ("1.2.3-alpha.1+build", "beta", "1.2.3-beta.0"), ("1.2.3-ALPHA.5", "Alpha", "1.2.3-alpha.6"),
        ("1.2.3-rc1", "rc", "1.2.3-rc.2"), ("1.2.3-alpha", "alpha", "1.2.3-alpha.0"),
        ("1.2.3-alpha.beta", "alpha", "1.2.3-alpha.0"), ("1.2.3-beta.alpha.1", "alpha", "1.2.3-alpha.0"),
        ("1.2.3-dev9.1", "dev", "1.2.3-dev.10"), ("1.2.3", "", "1.2.3-.0"),
        ("1.2.3-alpha.1", "al", "1.2.3-al.0"), ("1.2.3-alpha.1", "alpha.1", "1.2.3-alpha.1.0"),
        ("1.0~1", "~", "1.0.0-~.2"), ("1.0^1", "^", "1.0.0-^.2"), ("1.0~1", "rc", "1.0.0-rc.0"),
        ("1.2.3-Ä.1", "ä", "1.2.3-ä.0"), ("1.2.3-alpha.1", "ÄLPHA", "1.2.3-Älpha.0"),
    ],
)
def test_bump_prerelease_looks_only_at_the_first_word(version, tag, expected):
    assert bump_prerelease(version, tag) == expected


@pytest.mark.parametrize(
    "version, fn, expected",
    [
        (f"{U64}.0.0", bump_major, f"{U64 + 1}.0.0"), (f"1.{U64}.7", bump_minor, f"1.{U64 + 1}.0"),
        (f"1.2.{U64}", bump_patch, f"1.2.{U64 + 1}"), (f"{U64}.{U64}.{U64}", next_stable, f"{U64}.{U64}.{U64}"),
        (f"1.2.3-alpha.{U64}", bump_prerelease, f"1.2.3-alpha.{U64 + 1}"),
        ("99999999999999999999999.1", bump_major, f"{U64 + 1}.0.0"),  # saturated digit run
        (f"{U64 - 1}.0", bump_major, f"{U64}.0.0"), ("9999999999999999999.0", bump_major, "10000000000000000000.0.0"),
    ],
)
def test_the_largest_component_increments_to_its_decimal_successor(version, fn, expected):
    assert fn(version) == expected
