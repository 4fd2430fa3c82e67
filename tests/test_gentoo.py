import random

import pytest
from conftest import assert_all_equal, assert_ascending, assert_transitive, broken_facts, texts_from_parts

import ombrel


def test_every_shared_fact_holds():
    assert broken_facts("gentoo") == []


@pytest.mark.parametrize(
    "chain",
    [
        ["1", "1b", "1.0", "1.0a", "1.0z", "1.0.0", "1.1", "1.2", "1.10", "2"],
        # After the first number a leading zero makes both strings without trailing zeros.
        ["1.0", "1.001", "1.01", "1.0101", "1.02", "1.1", "1.9", "1.10"],
        ["9", "10", "99999999999999999999", "100000000000000000000"],
        ["1.0_alpha", "1.0_alpha1", "1.0_alpha2_alpha", "1.0_alpha2", "1.0_alpha2_p", "1.0_beta", "1.0_pre",
         "1.0_rc9", "1.0_rc10", "1.0", "1.0-r1", "1.0-r9", "1.0_p", "1.0_p1", "1.0_p1-r1", "1.0a_alpha", "1.0a"],
        # Outside the grammar: the part it does not read sorts below its absence.
        ["1.0_rc1", "1.0-alpha", "1.0-beta", "1.0-rc9", "1.0-rc10", "1.0", "1.0-r1"],
        ["1.0.0rc1", "1.0.0", "1.0.0_p1.1", "1.0.0_p1", "1.0.0a"],
    ],
)
def test_versions_sort_in_the_listed_order(chain):
    assert_ascending(chain, "gentoo")


@pytest.mark.parametrize(
    "a, b",
    [("1.0", "1.00"), ("1.01", "1.010"), ("01.2", "1.2"), ("1.0_alpha", "1.0_alpha0"), ("1.0_p01", "1.0_p1"),
     ("1.0", "1.0-r0"), ("1.0-r01", "1.0-r1"), (" 1.0\u3000", "1.0"), ("1.0-beta01", "1.0-beta1")],
)
def test_equal_versions(a, b):
    assert_all_equal([a, b], "gentoo")


GENTOO_PARTS = [["0", "1", "2", "01", "10"], ["", ".0", ".1", ".01", ".00", ".010"], ["", "a", "b"],
                ["", "_alpha", "_rc1", "_p", "_p2", "_p_p", "-beta"], ["", "-r0", "-r1", "-r"]]


def test_order_is_transitive():
    assert_transitive(texts_from_parts(random.Random(37), 45, GENTOO_PARTS), "gentoo")


def test_ten_megabyte_texts_compare_in_linear_time():
    cases = [("1" + ".0" * 5 * 10**6, "1" + ".00" * 5 * 10**6, 0), ("1" + "_p" * 5 * 10**6, "1", 1),
             ("1" + "_" * 10**7, "1", -1), ("1-r" + "9" * 10**7, "1-r10", 1)]
    assert [ombrel.compare(a, b, "gentoo") for a, b, _ in cases] == [want for _, _, want in cases]
