import random

import pytest
from conftest import U64, assert_ascending, raises

from ombrel import compare, compare_semver_strict


@pytest.mark.parametrize(
    "text, message",
    [
        ("v1.2", "Expected 3 parts, got 2"), ("v", "Expected 3 parts, got 1"),
        ("   ", "Expected 3 parts, got 1"), ("1.2.3.4", "Expected 3 parts, got 4"),
        ("1.-2.3", "Expected 3 parts, got 2"),  # the prerelease is split off first
        ("1..3", "empty minor"), (".1.2", "empty major"),
        ("01.2.3", "leading zero in major: '01'"), ("1.00.3", "leading zero in minor: '00'"),
        ("1.2.x", "invalid patch: 'x'"), ("1.2.0x", "leading zero in patch: '0x'"),
        (f"{U64 + 1}.0.0", f"invalid major: '{U64 + 1}'"), ("1.2.3 4", "invalid patch: '3 4'"),
        ("١.2.3", "invalid major: '١'"), ("1.2.3-", "empty prerelease"), ("1.2.3-+meta", "empty prerelease"),
        ("1.2.3-alpha..1", "empty identifier in prerelease"), ("1.2.3-alpha.", "empty identifier in prerelease"),
        ("1.2.3-alpha_1", "invalid character in prerelease identifier: 'alpha_1'"),
        ("1.2.3-a.b_c.d..", "invalid character in prerelease identifier: 'b_c'"),
        ("1.2.3-é", "invalid character in prerelease identifier: 'é'"),
        ("1.2.3-rc.01", "leading zero in numeric prerelease identifier: '01'"),
        (f"1.2.3-rc.{U64 + 1}", f"numeric prerelease identifier out of range for u64: '{U64 + 1}'"),
        (f"1.2.3-0.{U64 + 1}", f"numeric prerelease identifier out of range for u64: '{U64 + 1}'"),
        ("1.2.3-0.00000000000000000001", "leading zero in numeric prerelease identifier: '00000000000000000001'"),
        ("1.2.3-01234567890123456789.0", "leading zero in numeric prerelease identifier: '01234567890123456789'"),
    ],
)
def test_strict_parse_messages(text, message):
    raises(ValueError, message, compare_semver_strict, text, "1.0.0")
    raises(ValueError, message, compare, text, "1.0.0", "npm")


@pytest.mark.parametrize(
    "a, b",
    [
        ("v1.2.3", "1.2.3"), ("V1.2.3", "1.2.3"), (" 1.2.3 ", "1.2.3"), ("1.2.3+build.5", "1.2.3"),
        ("1.2.3+", "1.2.3"), ("1.2.3+build-5", "1.2.3"), (f"{U64}.0.0", f"{U64}.0.0+x"),
        ("1.2.3-0a", "1.2.3-0a"), ("1.2.3-x-y", "1.2.3-x-y"), ("1.0.0-rc.1+a", "1.0.0-rc.1+b"),
    ],
)
def test_strict_equal(a, b):
    assert compare_semver_strict(a, b) == 0


@pytest.mark.parametrize(
    "chain",
    [
        ["1.0.0-alpha", "1.0.0-alpha.1", "1.0.0-alpha.beta", "1.0.0-beta", "1.0.0-beta.2", "1.0.0-beta.11",
         "1.0.0-rc.1", "1.0.0", "1.0.1", "1.1.0", "2.0.0", f"{U64}.0.0"],
        ["1.0.0-RC.1", "1.0.0-rc.1"], ["1.0.0-1.1", "1.0.0-1.a"], ["1.0.0-0", "1.0.0-00a"],
        ["1.0.0-a", "1.0.0-a-b"], ["1.0.0-a", "1.0.0-a.1"], [f"1.0.0-{U64}", "1.0.0-a"],
        ["1.0.0-1", "1.0.0-0a"], [f"1.0.0-0.{U64}", f"1.0.0-{U64}.0", "1.0.0-00000000000000000000a.0"],
    ],
)
def test_precedence(chain):
    assert_ascending(chain, "semver")
    assert compare_semver_strict(chain[0], chain[-1]) == -1


@pytest.mark.parametrize("eco", ["semver", "npm", "crates", "hex", "swift", "dart", "julia", "helm"])
def test_strict_family_shares_the_scheme(eco):
    assert compare("1.0.0-alpha", "1.0.0", eco) == -1
    raises(ValueError, "Expected 3 parts, got 2", compare, "1.0", "1.0.0", eco)


def test_agrees_with_the_semver_package():
    semver = pytest.importorskip("semver")
    rng = random.Random(2026)
    pool = [
        f"{rng.randint(0, 3)}.{rng.randint(0, 3)}.{rng.randint(0, 3)}"
        + rng.choice(["", "-alpha", "-alpha.1", "-beta.11", "-rc.1", "-1", "-0.a", "-x-y.2"])
        + rng.choice(["", "+b.1"])
        for _ in range(300)
    ]
    for a, b in zip(pool, reversed(pool)):
        assert compare_semver_strict(a, b) == semver.Version.parse(a).compare(b), (a, b)
