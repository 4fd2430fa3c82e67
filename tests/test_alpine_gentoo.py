"""apk's and Portage's orders: alike in shape (suffixes, a letter, revisions), apart in detail."""
import random

import pytest
from conftest import assert_all_equal, assert_ascending, assert_transitive, broken_facts, texts_from_parts

import ombrel


@pytest.mark.parametrize("ecosystem", ["alpine", "gentoo"])
def test_every_shared_fact_holds(ecosystem):
    assert broken_facts(ecosystem) == []


@pytest.mark.parametrize(
    "ecosystem, chain",
    [
        # Suffixes, then a letter, then more numbers.
        ("alpine", ["1.0_alpha", "1.0_alpha1", "1.0_alpha2", "1.0_alpha2_p", "1.0_beta", "1.0_pre", "1.0_rc9",
                    "1.0_rc10", "1.0", "1.0-r1", "1.0-r2", "1.0-r10", "1.0~0a", "1.0~1", "1.0_cvs", "1.0_svn", "1.0_git",
                    "1.0_hg", "1.0_p", "1.0_p1", "1.0a", "1.0b", "1.0.0", "1.0.1"]),
        ("alpine", ["1.2.2", "1.2.2-r1", "1.2.2_p1", "1.2.3_rc1", "1.2.3"]),
        ("alpine", ["1.2", "1.9", "1.10", "1.99999999999999999999", "1.100000000000000000000"]),
        # After the first number a leading zero makes both numbers strings.
        ("alpine", ["1.0", "1.00", "1.001", "1.01", "1.010", "1.02", "1.1", "1.9"]),
        # Outside the grammar: read up to where the text leaves it, placed there as apk places it.
        ("alpine", ["1.0_rc1", "1.0-alpha", "1.0-beta", "1.0-rc9", "1.0-rc10", "1.0", "1.0-r1"]),
        ("alpine", ["1.0.0", "1.0.0rc1", "1.0.0.1"]),
        ("gentoo", ["1", "1b", "1.0", "1.0a", "1.0z", "1.0.0", "1.1", "1.2", "1.10", "2"]),
        # After the first number a leading zero makes both strings without trailing zeros.
        ("gentoo", ["1.0", "1.001", "1.01", "1.0101", "1.02", "1.1", "1.9", "1.10"]),
        ("gentoo", ["9", "10", "99999999999999999999", "100000000000000000000"]),
        ("gentoo", ["1.0_alpha", "1.0_alpha1", "1.0_alpha2_alpha", "1.0_alpha2", "1.0_alpha2_p", "1.0_beta", "1.0_pre",
                    "1.0_rc9", "1.0_rc10", "1.0", "1.0-r1", "1.0-r9", "1.0_p", "1.0_p1", "1.0_p1-r1", "1.0a_alpha",
                    "1.0a"]),
        # Outside the grammar: the part it does not read sorts below its absence.
        ("gentoo", ["1.0_rc1", "1.0-alpha", "1.0-beta", "1.0-rc9", "1.0-rc10", "1.0", "1.0-r1"]),
        ("gentoo", ["1.0.0rc1", "1.0.0", "1.0.0_p1.1", "1.0.0_p1", "1.0.0a"]),
    ],
)
def test_versions_sort_in_the_listed_order(ecosystem, chain):
    assert_ascending(chain, ecosystem)


@pytest.mark.parametrize(
    "ecosystem, a, b",
    [("alpine", "01.2", "1.2"), ("alpine", "1.0_alpha01", "1.0_alpha1"), ("alpine", "1.0-r01", "1.0-r1"),
     ("alpine", " 1.0\u3000", "1.0"), ("alpine", "1.0-beta01", "1.0-beta1"), ("alpine", "1.0a!", "1.0a!0"),
     ("gentoo", "1.0", "1.00"), ("gentoo", "1.01", "1.010"), ("gentoo", "01.2", "1.2"),
     ("gentoo", "1.0_alpha", "1.0_alpha0"), ("gentoo", "1.0_p01", "1.0_p1"), ("gentoo", "1.0", "1.0-r0"),
     ("gentoo", "1.0-r01", "1.0-r1"), ("gentoo", " 1.0\u3000", "1.0"), ("gentoo", "1.0-beta01", "1.0-beta1")],
)
def test_equal_versions(ecosystem, a, b):
    assert_all_equal([a, b], ecosystem)


@pytest.mark.parametrize(
    "a, b", [("1.0_alpha", "1.0_alpha0"), ("1.0", "1.0-r0"), ("1.05", "1.5"), ("1.0-beta", "1.0-gamma"), ("1.0", "1")]
)
def test_unequal_under_apk(a, b):
    assert ombrel.compare(a, b, "alpine") != 0


PARTS = {
    "alpine": (31, [["0", "1", "2", "01", "10"], ["", ".0", ".1", ".01", ".00"], ["", "a", "b"],
                    ["", "_alpha", "_rc1", "_p", "_p2", "_git", "-beta"], ["", "~ab", "~b"], ["", "-r0", "-r1", "-r"]]),
    "gentoo": (37, [["0", "1", "2", "01", "10"], ["", ".0", ".1", ".01", ".00", ".010"], ["", "a", "b"],
                    ["", "_alpha", "_rc1", "_p", "_p2", "_p_p", "-beta"], ["", "-r0", "-r1", "-r"]]),
}


@pytest.mark.parametrize("ecosystem", PARTS)
def test_order_is_transitive(ecosystem):
    seed, parts = PARTS[ecosystem]
    assert_transitive(texts_from_parts(random.Random(seed), 45, parts), ecosystem)


@pytest.mark.parametrize("ecosystem", ["alpine", "gentoo"])
def test_ten_megabyte_texts_compare_in_linear_time(ecosystem):
    cases = {
        "alpine": [("1" + ".1" * 5 * 10**6, "1" + ".1" * 5 * 10**6 + "_", 1), ("1" + "_" * 10**7, "1", -1),
                   ("1.0_p" + "1" * 10**7, "1.0_p2", 1), ("1" + "~a" * 5 * 10**6, "1", 1)],
        "gentoo": [("1" + ".0" * 5 * 10**6, "1" + ".00" * 5 * 10**6, 0), ("1" + "_p" * 5 * 10**6, "1", 1),
                   ("1" + "_" * 10**7, "1", -1), ("1-r" + "9" * 10**7, "1-r10", 1)],
    }[ecosystem]
    assert [ombrel.compare(a, b, ecosystem) for a, b, _ in cases] == [want for _, _, want in cases]
