import itertools
import random

import pytest

import ombrel
from ombrel import Version, batch_compare, compare, max_version, min_version, sort_versions, version

UNSUPPORTED = (
    "unsupported ecosystem 'nosuch'; expected one of: generic, semver, pep440, debian, rpm, ruby, "
    "maven, go, npm, nuget, composer, crates, hex, swift, calver, alpine, docker, conda, arch, "
    "gentoo, cran, spack, dart, julia, terraform, helm, cpan, nix, homebrew, freebsd"
)
LIST_FUNCTIONS = [sort_versions, max_version, min_version]


def fresh(text):
    """A new str object equal to `text`, never an interned constant."""
    return "".join(list(text))


def raises(exc, message, fn, *args, note=None):
    with pytest.raises(exc) as info:
        fn(*args)
    assert type(info.value) is exc
    assert str(info.value) == message
    assert getattr(info.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)


class Seq:
    """A sequence that only offers __getitem__, with a length that fails or lies."""

    def __init__(self, items, length=None):
        self.items, self.length = items, length

    def __getitem__(self, i):
        return self.items[i]

    def __len__(self):
        if self.length is None:
            raise RuntimeError("no length")
        return self.length


class Exploding(Seq):
    def __getitem__(self, i):
        if i == 1:
            raise KeyError("boom")
        return self.items[i]


# --- sequence conversion -------------------------------------------------------------------


@pytest.mark.parametrize("fn", LIST_FUNCTIONS + [batch_compare])
@pytest.mark.parametrize(
    "arg, message",
    [
        ("1.0", "Can't extract `str` to `Vec`"),
        (type("S", (str,), {})("1.0"), "Can't extract `str` to `Vec`"),
        ({"1.0"}, "'set' object is not an instance of 'Sequence'"),
        ({"1.0": 1}, "'dict' object is not an instance of 'Sequence'"),
        ((v for v in ["1.0"]), "'generator' object is not an instance of 'Sequence'"),
        (iter(["1.0"]), "'list_iterator' object is not an instance of 'Sequence'"),
        (None, "'NoneType' object is not an instance of 'Sequence'"),
    ],
)
def test_non_sequences_are_refused_with_the_argument_note(fn, arg, message):
    name = "pairs" if fn is batch_compare else "versions"
    raises(TypeError, message, fn, arg, note=name)


@pytest.mark.parametrize("fn", LIST_FUNCTIONS)
def test_sequence_is_read_before_the_ecosystem_is_converted(fn):
    raises(TypeError, "Can't extract `str` to `Vec`", fn, "1.0", None, note="versions")
    raises(TypeError, "'NoneType' object is not an instance of 'str'", fn, [], None, note="ecosystem")


def test_any_sequence_is_accepted_and_a_failing_length_is_only_a_hint():
    assert sort_versions(("2.0", "1.0")) == ["1.0", "2.0"]
    assert sort_versions(Seq(["2.0", "1.0"])) == ["1.0", "2.0"]
    assert sort_versions(Seq(["2.0", "1.0"], length=10**18)) == ["1.0", "2.0"]
    raises(TypeError, "expected Version or str", sort_versions, range(3))


@pytest.mark.parametrize("fn", LIST_FUNCTIONS + [batch_compare])
def test_an_error_while_iterating_propagates_with_the_note(fn):
    items = [("1.0", "2.0")] * 3 if fn is batch_compare else ["1.0"] * 3
    raises(KeyError, "'boom'", fn, Exploding(items), note="pairs" if fn is batch_compare else "versions")


# --- sort_versions -------------------------------------------------------------------------


@pytest.mark.parametrize(
    "versions, ecosystem, expected",
    [
        (["1.10", "1.9", "1.9.0"], "generic", ["1.9", "1.9.0", "1.10"]),
        (["1.0", "1.0-rc1", "1.0~rc1", "1.0.post1"], "generic", ["1.0~rc1", "1.0-rc1", "1.0", "1.0.post1"]),
        (["1.0.0", "1.0.0-rc.1", "1.0.0-alpha"], "semver", ["1.0.0-alpha", "1.0.0-rc.1", "1.0.0"]),
        (["1.0", "1.0a1", "1.0.dev1", "1.0.post1"], "pep440", ["1.0.dev1", "1.0a1", "1.0", "1.0.post1"]),
        (["1.0a", "1.0", "1.0~"], "debian", ["1.0~", "1.0", "1.0a"]),
        ([], "generic", []),
    ],
)
def test_sort_orders_ascending(versions, ecosystem, expected):
    assert sort_versions(versions, ecosystem) == expected


def test_sort_returns_the_callers_objects_in_a_new_list_and_keeps_equal_ones_in_order():
    items = [fresh("1.0.0"), fresh("0.9"), fresh("1.0"), fresh("1"), fresh("0.9.0"), fresh("1.0-ga")]
    before = list(items)
    result = sort_versions(items)
    assert type(result) is list and result is not items
    assert [id(x) for x in result] == [id(items[i]) for i in (1, 4, 0, 2, 3, 5)]
    assert items == before and all(a is b for a, b in zip(items, before))


def test_sort_is_stable_on_large_inputs_with_many_ties():
    rng = random.Random(5)
    items = [fresh(f"{rng.randrange(4)}.{rng.randrange(3)}" + rng.choice(["", ".0", "-ga"])) for _ in range(9000)]
    result = sort_versions(items)
    rank = {id(x): i for i, x in enumerate(items)}
    for a, b in zip(result, result[1:]):
        order = compare(a, b)
        assert order == -1 or (order == 0 and rank[id(a)] < rank[id(b)])


# Inputs on which the generic ordering is not transitive (a < b < c yet c < a).
CYCLE_ATOMS = ["0", "1", "a", "foo", "final", "snapshot", "sp", "~", "^", "post"]
CYCLE_WORDS = [".".join(p) for k in (1, 2, 3) for p in itertools.product(CYCLE_ATOMS, repeat=k)]


def test_the_generic_corner_inputs_do_hold_cycles():
    a, b, c = "final.snapshot.~", "0.foo.sp", "0.final.final"
    assert (compare(a, b), compare(b, c), compare(a, c)) == (-1, -1, 1)


@pytest.mark.parametrize("seed", range(6))
def test_an_intransitive_ordering_still_yields_a_permutation_and_a_consistent_maximum(seed):
    rng = random.Random(seed)
    items = [fresh(rng.choice(CYCLE_WORDS)) for _ in range([3, 17, 200, 2000, 6000, 9000][seed])]
    result = sort_versions(items)
    assert sorted(map(id, result)) == sorted(map(id, items))
    assert result == sort_versions(items)
    assert max_version(items) is result[-1]
    stable = [v for v in items if not Version(v, "generic").is_prerelease]
    if stable:
        assert ombrel.latest_stable(items) is sort_versions(stable)[-1]


def test_sort_of_presorted_reversed_and_interleaved_input():
    items = [f"1.{i}" for i in range(12000)]
    assert sort_versions(items) == items
    assert sort_versions(items[::-1]) == items
    assert sort_versions(items[1::2] + items[::2]) == items
    assert max_version(items[::-1]) == "1.11999" and min_version(items[::-1]) == "1.0"


@pytest.mark.parametrize(
    "versions, message",
    [
        (["1.0a1", "foo"], "PEP 440 version must start with a digit: 'foo'"),  # pep440 from the first
        (["1.0", 2], "expected Version or str"),
        ([2, "1.0"], "expected Version or str"),  # raised while resolving the ecosystem
    ],
)
def test_sort_under_auto_parses_everything_under_the_first_elements_ecosystem(versions, message):
    raises(ValueError if "PEP" in message else TypeError, message, sort_versions, versions, "auto")


def test_sort_resolves_the_ecosystem_even_when_empty_and_the_first_failing_element_decides():
    raises(ValueError, UNSUPPORTED, sort_versions, [], "nosuch")
    assert sort_versions([], "AUTO") == []
    raises(ValueError, "Expected 3 parts, got 2", sort_versions, ["1.0.0", "1.0", "x"], "semver")
    raises(TypeError, "expected Version or str", sort_versions, ["1.0.0", None, "1.0"], "semver")


# --- max_version and min_version ---------------------------------------------------------


@pytest.mark.parametrize(
    "versions, ecosystem, greatest, smallest",
    [
        (["1.0", "1.0.0"], "generic", 1, 0),
        (["1.0.0", "1.0", "0.1", "1"], "generic", 3, 2),
        (["2.0", "1.0-final", "2", "1.0"], "generic", 2, 1),
        (["1.0"], "generic", 0, 0),
        (["1.0.0-rc.1", "1.0.0", "1.0.0-alpha", "1.0.0+b"], "semver", 3, 2),
        (["1.0a", "1.0", "1.0~"], "debian", 0, 2),
        (["1.0a", "1.0", "1.0~"], "generic", 1, 2),
    ],
)
def test_max_takes_the_last_of_equal_greatest_and_min_the_first_of_equal_smallest(
    versions, ecosystem, greatest, smallest
):
    items = [fresh(v) for v in versions]
    assert max_version(items, ecosystem) is items[greatest]
    assert min_version(items, ecosystem) is items[smallest]


@pytest.mark.parametrize("fn", [max_version, min_version])
def test_empty_sequence_is_checked_before_the_ecosystem(fn):
    raises(ValueError, "empty sequence", fn, [])
    raises(ValueError, "empty sequence", fn, (), "nosuch")
    raises(ValueError, UNSUPPORTED, fn, ["1.0"], "nosuch")


@pytest.mark.parametrize("fn", [max_version, min_version])
def test_selection_errors(fn):
    raises(TypeError, "expected Version or str", fn, ["1.0", 2])
    raises(TypeError, "expected Version or str", fn, [2, "1.0"], "auto")
    raises(ValueError, "PEP 440 version must start with a digit: 'foo'", fn, ["1.0a1", "foo"], "auto")


# --- Version elements ---------------------------------------------------------------------


def test_version_objects_come_back_as_themselves():
    x = Version("3.0")
    two = fresh("2.0")
    assert max_version([x, two]) is x
    assert min_version([x, two]) is two
    y = Version("1.0")
    assert max_version([y, two]) is two
    assert sort_versions([x, two, y]) == [y, two, x]
    assert sort_versions([x, two, y])[0] is y


def test_a_version_decides_the_ecosystem_under_auto_and_is_reparsed_under_others():
    v = Version("1.0.0", "semver")
    raises(ValueError, "Expected 3 parts, got 2", sort_versions, [v, "1.0"], "auto")
    one = fresh("1.0")
    assert [id(x) for x in sort_versions([v, one])] == [id(v), id(one)]  # generic: equal
    raises(ValueError, "Expected 3 parts, got 2", max_version, [Version("1.0", "generic")], "semver")
    pep = Version("1.0a1", "pep440")
    assert sort_versions([pep, "1.0", "1.0.dev1"], "auto") == ["1.0.dev1", pep, "1.0"]


# --- batch_compare ------------------------------------------------------------------------


def test_batch_compare_gives_one_int_per_pair():
    result = batch_compare([("1.0", "2.0"), ("2.0", "2.0"), ("3.0", "2.0")])
    assert result == [-1, 0, 1] and all(type(r) is int for r in result)
    assert batch_compare([]) == []
    assert batch_compare((("1.0.0-rc.1", "1.0.0"),), "semver") == [-1]


def test_batch_compare_detects_the_ecosystem_per_pair_under_auto():
    pairs = [("1.0~0a", "1.0~0"), ("1.0a", "1.0")]  # detected: debian, then generic
    assert batch_compare(pairs, "auto") == [1, -1]
    assert batch_compare(pairs, "debian") == [1, 1]
    assert batch_compare(pairs) == [-1, -1]
    assert batch_compare([(Version("1.0a", "debian"), "1.0")], "auto") == [1]


@pytest.mark.parametrize(
    "pairs, message",
    [
        ([["1.0", "2.0"]], "'list' object is not an instance of 'tuple'"),
        ([("1.0",)], "expected tuple of length 2, but got tuple of length 1"),
        ([()], "expected tuple of length 2, but got tuple of length 0"),
        ([("1", "2", "3")], "expected tuple of length 2, but got tuple of length 3"),
        ([("x", "y"), "1.0"], "'str' object is not an instance of 'tuple'"),
        ([("x", "y"), ("1.0",)], "expected tuple of length 2, but got tuple of length 1"),
    ],
)
def test_every_pair_is_checked_before_any_comparison(pairs, message):
    raises(TypeError, message, batch_compare, pairs, "semver", note="pairs")


def test_batch_compare_errors_in_order():
    raises(ValueError, UNSUPPORTED, batch_compare, [], "nosuch")
    raises(ValueError, UNSUPPORTED, batch_compare, [(1, 2)], "nosuch")
    raises(TypeError, "expected Version or str", batch_compare, [(1, "1.0")], "auto")
    raises(TypeError, "expected Version or str", batch_compare, [("1.0", 1)], "auto")
    raises(ValueError, "Expected 3 parts, got 2", batch_compare, [("1.0.0", "1.0.0"), ("1.0", "x")], "semver")


def test_tuple_subclasses_are_pairs():
    from collections import namedtuple

    Pair = namedtuple("Pair", "a b")
    assert batch_compare([Pair("1.0", "1.1")]) == [-1]


# --- version ------------------------------------------------------------------------------


def test_version_is_the_constructor():
    v = version("1.2.3")
    assert type(v) is Version and v == Version("1.2.3")
    assert (v.raw, v.ecosystem, v.segments()) == ("1.2.3", Version("1.2.3").ecosystem, (1, 2, 3))
    assert version("1.0.0", ecosystem="semver").ecosystem == "semver"
    assert version(s="1.0").raw == "1.0"
    raises(TypeError, "'NoneType' object is not an instance of 'str'", version, None, note="s")
    raises(ValueError, UNSUPPORTED, version, "1.0", "nosuch")
    raises(ValueError, "Expected 3 parts, got 2", version, "1.0", "semver")
