import random

import pytest
from conftest import assert_all_equal, assert_ascending, assert_transitive, broken_facts, texts_from_parts

import ombrel


def test_every_shared_fact_holds():
    assert broken_facts("alpine") == []


@pytest.mark.parametrize(
    "chain",
    [
        # Suffixes, then a letter, then more numbers.
        ["1.0_alpha", "1.0_alpha1", "1.0_alpha2", "1.0_alpha2_p", "1.0_beta", "1.0_pre", "1.0_rc9", "1.0_rc10",
         "1.0", "1.0-r1", "1.0-r2", "1.0-r10", "1.0~0a", "1.0~1", "1.0_cvs", "1.0_svn", "1.0_git", "1.0_hg",
         "1.0_p", "1.0_p1", "1.0a", "1.0b", "1.0.0", "1.0.1"],
        ["1.2.2", "1.2.2-r1", "1.2.2_p1", "1.2.3_rc1", "1.2.3"],
        ["1.2", "1.9", "1.10", "1.99999999999999999999", "1.100000000000000000000"],
        # After the first number a leading zero makes both numbers strings.
        ["1.0", "1.00", "1.001", "1.01", "1.010", "1.02", "1.1", "1.9"],
        # Outside the grammar: read up to where the text leaves it, placed there as apk places it.
        ["1.0_rc1", "1.0-alpha", "1.0-beta", "1.0-rc9", "1.0-rc10", "1.0", "1.0-r1"],
        ["1.0.0", "1.0.0rc1", "1.0.0.1"],
    ],
)
def test_versions_sort_in_the_listed_order(chain):
    assert_ascending(chain, "alpine")


@pytest.mark.parametrize(
    "a, b",
    [("01.2", "1.2"), ("1.0_alpha01", "1.0_alpha1"), ("1.0-r01", "1.0-r1"), (" 1.0\u3000", "1.0"),
     ("1.0-beta01", "1.0-beta1"), ("1.0a!", "1.0a!0")],
)
def test_equal_versions(a, b):
    assert_all_equal([a, b], "alpine")


@pytest.mark.parametrize(
    "a, b", [("1.0_alpha", "1.0_alpha0"), ("1.0", "1.0-r0"), ("1.05", "1.5"), ("1.0-beta", "1.0-gamma"), ("1.0", "1")]
)
def test_unequal_versions(a, b):
    assert ombrel.compare(a, b, "alpine") != 0


ALPINE_PARTS = [["0", "1", "2", "01", "10"], ["", ".0", ".1", ".01", ".00"], ["", "a", "b"],
                ["", "_alpha", "_rc1", "_p", "_p2", "_git", "-beta"], ["", "~ab", "~b"], ["", "-r0", "-r1", "-r"]]


def test_order_is_transitive():
    assert_transitive(texts_from_parts(random.Random(31), 45, ALPINE_PARTS), "alpine")


def test_ten_megabyte_texts_compare_in_linear_time():
    cases = [("1" + ".1" * 5 * 10**6, "1" + ".1" * 5 * 10**6 + "_", 1), ("1" + "_" * 10**7, "1", -1),
             ("1.0_p" + "1" * 10**7, "1.0_p2", 1), ("1" + "~a" * 5 * 10**6, "1", 1)]
    assert [ombrel.compare(a, b, "alpine") for a, b, _ in cases] == [want for _, _, want in cases]
