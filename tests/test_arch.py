import ctypes
import ctypes.util
import random

import pytest
from conftest import assert_all_equal, assert_ascending, read_versions

import ombrel


@pytest.mark.parametrize(
    "chain",
    [
        ["1.0a", "1.0", "1.0.a", "1.0.0", "1.0.1", "1.1", "1..0"],  # a letter left over loses to the end
        ["1.0", "1.0~rc1", "1.0^1"],  # ~ and ^ separate like any other byte
        ["1.0", "1.0.", "1.0+1", "1_1"],
        ["9", "0:10", "1:1", "01:2", "18446744073709551616:0", "99999999999999999999:0"],
        ["1.0-a", "1.0-1", "1.0-2", "1.0-10", "1.0.1-1"],
        ["1.0-", "1.0-1"],  # an empty pkgrel is still a pkgrel
        ["r99.abc-1", "r100.abc-1", "1-1"],
    ],
)
def test_versions_sort_in_the_listed_order(chain):
    assert_ascending(chain, "arch")


@pytest.mark.parametrize(
    "a, b",
    [
        ("7", "7-4"), ("7", "7-5"), ("1.0", "1_0"), ("1.0.", "1.0.."), ("1:1", "01:1"), (":1", "0:1"),
        ("1.010", "1.10"), (" 1.0-1 ", "1.0-1"), ("1.0-1.2", "1.0-1_2"),
    ],
)
def test_equal_versions(a, b):
    assert_all_equal([a, b], "arch")


def test_pkgrel_counts_only_when_both_have_one():
    assert [ombrel.compare(a, b, "arch") for a, b in [("7-4", "7"), ("7", "7-5"), ("7-4", "7-5")]] == [0, 0, -1]


def test_ten_megabyte_texts_compare_in_linear_time():
    cases = [("1" + "." * 10**7 + "1", "1.1", 1), ("1a" * 5 * 10**6, "1a" * 5 * 10**6 + "-", 0), ("9" * 10**7 + ":1", "1", 1)]
    assert [ombrel.compare(a, b, "arch") for a, b, _ in cases] == [want for _, _, want in cases]


ARCH = """
1:2.40-1 2.40-2 2:9.1.0000-1 9.1.0016-1 r1234.abcdef0-1 r1234.abcdef1-3 6.6.7.arch1-1 6.6.7.arch1-2
6.6.10.arch1-1 6.6.7.zen1-1 2.2.0rc1-1 2.2.0-1 2.2.0.r5.g1234abc-1 1.16.0+12+g1234-2 1.16.0+2+gabc-1
20240101.1.0-1 20240101-1 0.9.9_beta-1 0.9.9beta-1 0.9.9-1 0.9.9.1-1 1.0pre1-1 1.0.pre-1 1.0-0.1
3:1.2-1 3:1.2-1.1 1.2.3-1.0 1.2.3-1.a 1:0-1 0.0.0-1 1.0a-1 1.0b-1 1.0.r1-1 1..0-1 v1.0-1 1.0~beta-1
""".split()


def alpm_vercmp():
    name = ctypes.util.find_library("alpm")
    if name is None:
        pytest.skip("libalpm (pacman's vercmp) is not installed")
    lib = ctypes.CDLL(name)
    lib.alpm_pkg_vercmp.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
    return lambda a, b: lib.alpm_pkg_vercmp(a.encode(), b.encode())


def generated(rng, count):
    alphabet = "0123456789" * 2 + "0abzA.._+~^-:"
    out = []
    while len(out) < count:
        epoch = rng.choice(["", "", "1:", "01:", ":"])
        text = epoch + "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 8)))
        if ombrel.Version.try_parse(text, "arch") is not None:
            out.append(text)
    return out


def test_agrees_with_pacman():
    vercmp = alpm_vercmp()
    rng = random.Random(2718)
    debian = [t for t in rng.sample(read_versions("debian.txt"), 150) if ombrel.Version.try_parse(t, "arch")]
    texts = ARCH + debian + generated(rng, 250)
    wrong = [(a, b, want, got) for i, a in enumerate(texts) for b in texts[i:]
             if (got := ombrel.compare(a, b, "arch")) != (want := max(-1, min(1, vercmp(a, b))))]
    assert wrong[:5] == []
