import itertools
import random
import sys
from collections import namedtuple

import pytest
from conftest import fresh, raises, unsupported

from ombrel import (Version, batch_compare, compare, latest_stable, max_version, min_version, sort_versions,
                    stable_versions)

LIST_FUNCTIONS = [sort_versions, max_version, min_version, stable_versions, latest_stable]
SEQUENCE_FUNCTIONS = LIST_FUNCTIONS + [batch_compare]


class Seq:
    """A sequence with only __getitem__ that fails at item `fail`; its length may lie or fail."""

    def __init__(self, items, fail=None, length=None):
        self.items, self.fail, self.length = items, fail, length

    def __getitem__(self, i):
        if i == self.fail:
            raise KeyError("boom")
        return self.items[i]

    def __len__(self):
        if self.length is None:
            raise RuntimeError("no length")
        if self.length == "interrupt":
            raise KeyboardInterrupt
        return self.length


@pytest.mark.parametrize("fn", SEQUENCE_FUNCTIONS)
@pytest.mark.parametrize(
    "arg, message",
    [
        ("1.0", "Can't extract `str` to `Vec`"), (type("S", (str,), {})("1.0"), "Can't extract `str` to `Vec`"),
        ({"1.0"}, "'set' object is not an instance of 'Sequence'"),
        (iter(["1.0"]), "'list_iterator' object is not an instance of 'Sequence'"),
        ((v for v in ["1.0"]), "'generator' object is not an instance of 'Sequence'"),
        (None, "'NoneType' object is not an instance of 'Sequence'"),
    ],
)
def test_non_sequences_are_refused_with_the_argument_note(fn, arg, message):
    raises(TypeError, message, fn, arg, note="pairs" if fn is batch_compare else "versions")


@pytest.mark.parametrize("fn", LIST_FUNCTIONS)
def test_sequence_is_read_before_the_ecosystem_is_converted(fn):
    raises(TypeError, "Can't extract `str` to `Vec`", fn, "1.0", None, note="versions")
    raises(TypeError, "'NoneType' object is not an instance of 'str'", fn, ["1.0"], None, note="ecosystem")


@pytest.mark.parametrize("length", [None, 0, 3, sys.maxsize])
def test_any_sequence_is_accepted_and_its_length_is_only_a_hint(length):
    assert sort_versions(("2.0", "1.0")) == ["1.0", "2.0"]
    assert sort_versions(Seq(["2.0", "1.0"], length=length)) == ["1.0", "2.0"]
    assert batch_compare(Seq([("1", "2")], length=length)) == [-1]
    raises(TypeError, "expected Version or str", sort_versions, range(3))
    with pytest.raises(KeyboardInterrupt):
        sort_versions(Seq(["2.0", "1.0"], length="interrupt"))


@pytest.mark.parametrize("fn", SEQUENCE_FUNCTIONS)
@pytest.mark.parametrize("length", [None, 3, sys.maxsize])
def test_an_error_while_iterating_propagates_with_the_note(fn, length):
    items = [("1.0", "2.0")] * 3 if fn is batch_compare else ["1.0", "2.0", "3.0"]
    raises(KeyError, "boom", fn, Seq(items, 2, length), note="pairs" if fn is batch_compare else "versions")


def test_sort_returns_the_callers_objects_in_a_new_list_and_keeps_equal_ones_in_order():
    assert sort_versions(["1.0.0", "1.0.0-rc.1", "1.0.0-alpha"], "semver") == ["1.0.0-alpha", "1.0.0-rc.1", "1.0.0"]
    assert sort_versions(["1.0a", "1.0", "1.0~"], "debian") == ["1.0~", "1.0", "1.0a"]
    items = [fresh(v) for v in ["1.0.0", "0.9", "1.0", "1", "0.9.0", "1.0-ga"]]
    before = list(items)
    result = sort_versions(items)
    assert type(result) is list and result is not items
    assert [id(x) for x in result] == [id(items[i]) for i in (1, 4, 0, 2, 3, 5)]
    assert all(a is b for a, b in zip(items, before))  # large inputs with many ties: test_fast_paths


# Inputs on which the generic ordering is not transitive (a < b < c yet c < a).
CYCLE_ATOMS = ["0", "1", "a", "foo", "final", "snapshot", "sp", "~", "^", "post"]
CYCLE_WORDS = [".".join(p) for k in (1, 2, 3) for p in itertools.product(CYCLE_ATOMS, repeat=k)]


@pytest.mark.parametrize("seed", range(6))
def test_an_intransitive_ordering_still_yields_a_permutation_and_a_consistent_maximum(seed):
    a, b, c = "final.snapshot.~", "0.foo.sp", "0.final.final"
    assert (compare(a, b), compare(b, c), compare(a, c)) == (-1, -1, 1)
    rng = random.Random(seed)
    items = [fresh(rng.choice(CYCLE_WORDS)) for _ in range([3, 17, 200, 2000, 6000, 9000][seed])]
    result = sort_versions(items)
    assert sorted(map(id, result)) == sorted(map(id, items))
    assert result == sort_versions(items)
    assert max_version(items) is result[-1]
    stable = [v for v in items if not Version(v, "generic").is_prerelease]
    if stable:
        assert latest_stable(items) is sort_versions(stable)[-1]


def test_sort_of_presorted_reversed_and_interleaved_input():
    items = [f"1.{i}" for i in range(12000)]
    assert sort_versions(items) == items
    assert sort_versions(items[::-1]) == items
    assert sort_versions(items[1::2] + items[::2]) == items
    assert max_version(items[::-1]) == "1.11999" and min_version(items[::-1]) == "1.0"


@pytest.mark.parametrize(
    "versions, ecosystem, greatest, smallest",
    [
        (["1.0", "1.0.0"], "generic", 1, 0), (["1.0.0", "1.0", "0.1", "1"], "generic", 3, 2),
        (["2.0", "1.0-final", "2", "1.0"], "generic", 2, 1),
        (["1.0.0-rc.1", "1.0.0", "1.0.0-alpha", "1.0.0+b"], "semver", 3, 2),
        (["1.0a", "1.0", "1.0~"], "debian", 0, 2),
    ],
)
def test_max_takes_the_last_of_equal_greatest_and_min_the_first_of_equal_smallest(versions, ecosystem, greatest,
                                                                                  smallest):
    items = [fresh(v) for v in versions]
    assert max_version(items, ecosystem) is items[greatest]
    assert min_version(items, ecosystem) is items[smallest]


def test_version_objects_come_back_as_themselves_and_decide_the_ecosystem_under_auto():
    x, y, two = Version("3.0"), Version("1.0"), fresh("2.0")
    assert max_version([x, two]) is x and min_version([x, two]) is two and max_version([y, two]) is two
    result = sort_versions([x, two, y])
    assert result == [y, two, x] and result[0] is y
    v, one = Version("1.0.0", "semver"), fresh("1.0")
    assert [id(x) for x in sort_versions([v, one])] == [id(v), id(one)]  # generic: equal
    pep = Version("1.0a1", "pep440")
    assert sort_versions([pep, "1.0", "1.0.dev1"], "auto") == ["1.0.dev1", pep, "1.0"]


def test_batch_compare_gives_one_int_per_pair_detecting_auto_per_pair():
    result = batch_compare([("1.0", "2.0"), ("2.0", "2.0"), ("3.0", "2.0")])
    assert result == [-1, 0, 1] and all(type(r) is int for r in result)
    assert batch_compare([]) == [] and batch_compare((("1.0.0-rc.1", "1.0.0"),), "semver") == [-1]
    pairs = [("1.0~0a", "1.0~0"), ("1.0a", "1.0")]  # detected: debian, then generic
    assert [batch_compare(pairs, eco) for eco in ("auto", "debian", "generic")] == [[1, -1], [1, 1], [-1, -1]]
    assert batch_compare([(Version("1.0a", "debian"), "1.0")], "auto") == [1]
    assert batch_compare([namedtuple("Pair", "a b")("1.0", "1.1")]) == [-1]


@pytest.mark.parametrize(
    "pairs, message",
    [
        ([["1.0", "2.0"]], "'list' object is not an instance of 'tuple'"),
        ([()], "expected tuple of length 2, but got tuple of length 0"),
        ([("1", "2", "3")], "expected tuple of length 2, but got tuple of length 3"),
        ([("x", "y"), "1.0"], "'str' object is not an instance of 'tuple'"),
        ([("x", "y"), ("1.0",)], "expected tuple of length 2, but got tuple of length 1"),
    ],
)
def test_every_pair_is_checked_before_any_comparison(pairs, message):
    raises(TypeError, message, batch_compare, pairs, "semver", note="pairs")


def test_stable_versions_keeps_the_callers_objects_in_input_order():
    items = [fresh(v) for v in ["1.1", "1.0", "1.1rc1", "0.9", "2.0a1", "1.0"]]
    result = stable_versions(items)
    assert type(result) is list
    assert [id(x) for x in result] == [id(items[i]) for i in (0, 1, 3, 5)]


def test_the_generic_test_decides_and_prereleases_are_never_parsed_under_the_ecosystem():
    assert stable_versions(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == ["1.0.0"]
    assert latest_stable(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == "1.0.0"
    assert stable_versions(["1.0a1"], "semver") == []
    assert stable_versions(["1.0.0-foo", "1.0.0"], "semver") == ["1.0.0-foo", "1.0.0"]
    assert latest_stable(["1.0.0-foo", "1.0.0"], "semver") == "1.0.0"
    assert latest_stable(["1.0.0", "1.0.0-foo"], "semver") == "1.0.0"


@pytest.mark.parametrize(
    "versions, index",
    [(["1.0", "1.1rc1", "1.1", "2.0a1"], 2), (["1.0", "1.0.0"], 1), (["1.0.0", "1.0", "0.5"], 1),
     (["1.0.post1", "1.0-final", "1.0"], 0)],
)
def test_latest_stable_is_the_last_of_the_equal_greatest(versions, index):
    items = [fresh(v) for v in versions]
    assert latest_stable(items) is items[index]


def test_version_objects_use_their_stored_generic_parse():
    pre, final, foo = Version("1.0.0-rc.1", "semver"), Version("1.0.0", "semver"), Version("1.0.0-foo", "semver")
    result = stable_versions([pre, final, foo])
    assert result == [final, foo] and result[0] is final
    assert latest_stable([pre, foo, final]) is final
    assert latest_stable([final, "2.0"]) == "2.0"


SEMVER, NOSUCH, NO_STABLE = Version("1.0.0", "semver"), unsupported("nosuch"), "no stable versions found"
PEP_FOO, PARTS = "PEP 440 version must start with a digit: 'foo'", "Expected 3 parts, got 2"


# The ecosystem is resolved first (after an empty sequence is refused), then the elements are read
# in order; under auto, everything is parsed under the first element's ecosystem.
@pytest.mark.parametrize(
    "fn, args, message",
    [
        (sort_versions, ([], "nosuch"), NOSUCH), (stable_versions, ([], "nosuch"), NOSUCH),
        (batch_compare, ([], "nosuch"), NOSUCH), (batch_compare, ([(1, 2)], "nosuch"), NOSUCH),
        (max_version, ([],), "empty sequence"), (min_version, ((), "nosuch"), "empty sequence"),
        (latest_stable, ([], "nosuch"), "empty sequence"), (max_version, (["1.0"], "nosuch"), NOSUCH),
        (latest_stable, (["1.0"], "nosuch"), NOSUCH),
        (sort_versions, (["1.0.0", "1.0", "x"], "semver"), PARTS),
        (sort_versions, (["1.0.0", None, "1.0"], "semver"), None),
        (latest_stable, (["1.0", "not-valid"], "semver"), PARTS), (stable_versions, (["1.0", "x"], "semver"), PARTS),
        (batch_compare, ([("1.0.0", "1.0.0"), ("1.0", "x")], "semver"), PARTS),
        (sort_versions, (["1.0a1", "foo"], "auto"), PEP_FOO), (max_version, (["1.0a1", "foo"], "auto"), PEP_FOO),
        (stable_versions, (["1.0a1", "1.0", "foo"], "auto"), PEP_FOO),
        (latest_stable, (["1.0a1", "1.0", "foo"], "auto"), PEP_FOO),
        (sort_versions, (["1.0", 2], "auto"), None), (sort_versions, ([2, "1.0"], "auto"), None),
        (max_version, (["1.0", 2],), None), (min_version, ([2, "1.0"], "auto"), None),
        (stable_versions, (["1.0a1", None],), None), (latest_stable, (["1.0a1", None],), None),  # prereleases too
        (latest_stable, ([None, "1.0"], "auto"), None),
        (batch_compare, ([(1, "1.0")], "auto"), None), (batch_compare, ([("1.0", 1)], "auto"), None),
        (latest_stable, (["2.0a1"],), NO_STABLE), (latest_stable, (["2.0a1", "1.0~"], "semver"), NO_STABLE),
        # Version objects: reparsed under a named ecosystem, their own under auto
        (max_version, ([Version("1.0", "generic")], "semver"), PARTS),
        (sort_versions, ([SEMVER, "1.0"], "auto"), PARTS),
        (latest_stable, ([SEMVER, "2.0"], "auto"), PARTS),
        (latest_stable, ([Version("1.0.0-rc.1", "semver"), "2.0"], "auto"), PARTS),
    ],
)
def test_errors_in_the_order_of_checks(fn, args, message):
    if message is None:
        raises(TypeError, "expected Version or str", fn, *args)
    else:
        raises(ValueError, message, fn, *args)
    if message == PEP_FOO and fn in (stable_versions, latest_stable):
        assert fn(args[0]) in (["1.0", "foo"], "1.0")  # the generic default reads them all
