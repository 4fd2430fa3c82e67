"""Hostile input: huge texts, deep nesting, 64-bit edges, NULs, lone surrogates, lying
subclasses, failing iterators and concurrent callers. Each gets a defined answer, fast."""

import sys
import threading
import time

import pytest
from conftest import U64, raises

import ombrel
from ombrel import Version

MB = 1 << 20
# Generous: a pass over 10 MB takes well under a second; anything quadratic takes hours.
BUDGET = 20.0


def timed(fn, *args):
    start = time.perf_counter()
    result = fn(*args)
    assert time.perf_counter() - start < BUDGET, fn
    return result


class Boom(Exception):
    pass


# ---- sizes ----

HUGE_VERSIONS = {
    "dotted numbers": "1." * (5 * MB),
    "one digit run": "9" * (10 * MB),
    "one letter run": "a" * (10 * MB),
    "alternating": "1a" * (5 * MB),
    "separators": "-" * (10 * MB),
    "white space": " \u3000" * (2 * MB),
    "non-ASCII": "\u00e9" * (5 * MB),
}


@pytest.mark.parametrize("text", HUGE_VERSIONS.values(), ids=HUGE_VERSIONS.keys())
@pytest.mark.parametrize("ecosystem", ["generic", "pep440", "semver", "debian", "rpm", "maven", "auto"])
def test_ten_megabyte_versions_compare_or_fail_in_linear_time(text, ecosystem):
    try:
        assert timed(ombrel.compare, text, text + "1", ecosystem) in (-1, 0, 1)
    except ValueError as e:
        assert len(e.args[0]) < 2 * len(text) + 200  # the message quotes the text at most once


@pytest.mark.parametrize("text", [HUGE_VERSIONS["dotted numbers"], HUGE_VERSIONS["alternating"]])
def test_ten_megabyte_version_objects_build_hash_and_sort_key(text):
    v = timed(Version, text, "generic")
    assert len(v) == len(text) // 2 * (2 if text[1] == "a" else 1)
    assert isinstance(timed(hash, v), int)
    assert len(timed(v.sort_key)) > 1


def test_ten_megabyte_range_with_a_million_comparators():
    expr = ">=1.0 " * (10 * MB // 6)
    assert timed(ombrel.satisfies, "1.5", expr) is True
    assert timed(ombrel.satisfies, "0.5", expr) is False
    assert timed(ombrel.ranges_intersect, expr, "<2") is True


def test_hundred_thousand_alternatives():
    expr = " || ".join(["<0.1"] * 100_000 + [">=5"])
    assert timed(ombrel.satisfies, "7", expr) is True
    assert timed(ombrel.satisfies, "3", expr) is False
    assert timed(ombrel.ranges_intersect, expr, "^6") is True
    assert timed(ombrel.ranges_intersect, "^3", expr) is False
    npm = "vers:npm/" + expr.replace("0.1", "0.1.0").replace(">=5", ">=5.0.0")
    assert timed(ombrel.vers_contains, npm, "7.0.0") is True


def test_ten_megabyte_purls():
    ns = "a/" * (5 * MB)
    assert timed(ombrel.parse_purl, "pkg:npm/" + ns + "x@1")["namespace"] == ns[:-1]
    squeezed = timed(ombrel.parse_purl, "pkg:npm/a" + "/" * (10 * MB) + "b")
    assert (squeezed["namespace"], squeezed["name"]) == ("a", "b")
    assert timed(ombrel.parse_purl, "pkg:npm/x@" + "@" * (10 * MB))["version"] == ""
    with pytest.raises(ValueError) as e:
        ombrel.parse_purl("pkg:npm/" + "/" * (10 * MB))
    assert e.value.args[0].endswith("'; missing package name")
    assert timed(ombrel.purl_ecosystem, "pkg:" + "N" * (10 * MB) + "/x") is None


def test_ten_megabyte_vers():
    text = "vers:npm/" + ">=1.0.0 " * (10 * MB // 8)
    assert timed(ombrel.vers_contains, text, "1.5.0") is True
    assert timed(ombrel.build_vers, "npm", text[9:]) == text.rstrip()
    with pytest.raises(ValueError, match="^invalid VERS"):
        ombrel.vers_contains("vers:" + "n" * (10 * MB), "1.0.0")


# ---- nesting ----


@pytest.mark.parametrize(
    "text, ok",
    [
        ("1" + "-1" * 255, True),
        ("1" + "-1" * 256, False),
        ("1" + "a1" * 127, True),  # every letter-digit change opens a list too
        ("1" + "a1" * 128, False),
        ("1" + "-" * 255, True),
        ("1" + "-" * (10 * MB), False),
        ("1" + "-1" * (5 * MB), False),
    ],
    ids=["255 hyphens", "256 hyphens", "254 changes", "256 changes", "255 empty", "10 MB", "5 M"],
)
def test_maven_nesting_at_and_past_the_limit(text, ok):
    if ok:
        v = timed(Version, text, "maven")
        assert v == text and isinstance(hash(v), int)
    else:
        message = f"Maven version nests more than 256 levels deep: '{text}'"
        raises(ValueError, message, timed, ombrel.compare, text, "1", "maven")


@pytest.mark.parametrize(
    "expr, version, expected",
    [
        ("[" * 100_000 + "1.0,2.0" + ")" * 100_000, "1.5", True),  # bounds are the bracketed texts
        ("(" * 100_000, "1.0", ValueError),
        ("[" * 100_000 + "," + "]" * 100_000, "1.0", False),  # bounds without segments: zero
        ("[" * 100_000 + " , , " + "]" * 100_000, "1.0", ValueError),
    ],
    ids=["interval", "open parentheses", "empty bounds", "two commas"],
)
def test_brackets_nested_a_hundred_thousand_deep(expr, version, expected):
    if expected is ValueError:
        with pytest.raises(ValueError):
            timed(ombrel.satisfies, version, expr)
    else:
        assert timed(ombrel.satisfies, version, expr) is expected


# ---- 64-bit edges ----


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        (ombrel.bump_major, (f"{U64}.0.0",), f"{U64 + 1}.0.0"),
        (ombrel.bump_minor, (f"1.{U64}.0",), f"1.{U64 + 1}.0"),
        (ombrel.bump_patch, (f"1.2.{U64}",), f"1.2.{U64 + 1}"),
        (ombrel.bump_prerelease, (f"1.2.3-alpha.{U64}",), f"1.2.3-alpha.{U64 + 1}"),
        (ombrel.bump_major, ("9" * 30,), f"{U64 + 1}.0.0"),  # saturated, then incremented
        (ombrel.next_stable, (f"{U64 + 1}.2",), f"{U64}.2.0"),
        (ombrel.compare, (f"{U64}", f"{U64 + 1}"), 0),
        (ombrel.compare, (f"{U64}", f"{U64 - 1}"), 1),
        (ombrel.compare, (f"{U64}.0.0", f"{U64}.0.0", "semver"), 0),
        (ombrel.compare, (f"1:0", f"{U64 + 1}:0"), 1),  # too large for an epoch: a number
        (ombrel.compare, (f"{U64}:0", f"{U64 - 1}:9"), 1),
        (ombrel.compare, (f"1.{U64}", f"1.{U64 + 1}", "maven"), -1),  # Maven numbers are unbounded
        (ombrel.compare, (f"1.{U64}", f"1.{U64 + 1}", "rpm"), -1),
        (ombrel.compare, (f"1.{U64}", f"1.{U64 + 1}", "debian"), -1),
        (ombrel.build_vers, ("npm", f"^{U64}"), f"vers:npm/^{U64}"),
        (ombrel.satisfies, (f"{U64}.0.0", f"^{U64}", "maven"), True),  # bound {U64+1}.0.0 is exact
        (ombrel.satisfies, (f"{U64}.5", f"~{U64}.{U64}", "maven"), False),
        (ombrel.satisfies, (f"2.{U64}", f"2.{U64}.x", "maven"), True),
        (ombrel.ranges_intersect, (f"^{U64}", f">{U64}.9", "maven"), True),
    ],
)
def test_64_bit_boundaries(fn, args, expected):
    assert fn(*args) == expected


@pytest.mark.parametrize(
    "fn, args, message",
    [
        (ombrel.satisfies, ("1.0.0", f"^{U64 + 1}"), f"invalid caret range: '^{U64 + 1}'"),
        (ombrel.satisfies, ("1.0.0", f"~1.{U64 + 1}"), f"invalid tilde range: '~1.{U64 + 1}'"),
        (ombrel.satisfies, ("1.0.0", f"{U64 + 1}.x"), f"invalid x-range: '{U64 + 1}.x'"),
        (ombrel.compare, (f"{U64 + 1}.0.0", "1.0.0", "semver"), f"invalid major: '{U64 + 1}'"),
        (ombrel.satisfies, (f"{U64}.0.0", f"^{U64}", "semver"), f"invalid major: '{U64 + 1}'"),
    ],
)
def test_64_bit_overflow_is_a_value_error(fn, args, message):
    raises(ValueError, message, fn, *args)


def test_u64_properties_and_capped_sort_key():
    v = Version(f"{U64}:{U64}.{U64 + 1}", "generic")
    assert (v.epoch, v.major, v.minor) == (U64, U64, U64)
    assert v.sort_key()[:2] == ((2, 2**63 - 1, ""), (2, 2**63 - 1, ""))


# ---- equal versions hash alike (found by fuzzing) ----


@pytest.mark.parametrize("a, b", [("1.0+1", "1.0.1"), ("v1", "v.1"), ("1.0-01", "1.0-1")])
def test_rpm_hashes_follow_the_generic_parse_even_where_rpm_calls_texts_equal(a, b):
    # The hash is defined on the generic parse; these RPM equalities are a documented corner.
    x, y = Version(a, "rpm"), Version(b, "rpm")
    assert x == y
    assert (hash(x), hash(y)) == (hash(Version(a, "generic")), hash(Version(b, "generic")))


# ---- NULs, surrogates and subclasses ----


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        (ombrel.compare, ("1.0\x00", "1.0"), 0),
        (ombrel.compare, ("1\x002", "1.2"), 0),
        (ombrel.satisfies, ("1.5", ">=1.0\x00"), True),
        (ombrel.build_purl, ("npm", "a\x00b", "1\x00"), "pkg:npm/a\x00b@1\x00"),
        (ombrel.build_vers, ("npm", "^1.2\x00"), "vers:npm/^1.2\x00"),
        (ombrel.vers_contains, ("vers:generic/>=1.0\x00", "1.5"), True),
        (ombrel.osv_affected, ("1\x00", {"versions": ["1\x00"]}), True),
        (ombrel.osv_affected, ("1", {"versions": ["1\x00"]}), False),
    ],
)
def test_nul_characters_are_ordinary_bytes(fn, args, expected):
    assert fn(*args) == expected


def test_nul_characters_survive_in_version_objects_and_messages():
    v = Version("1.0\x00beta", "generic")
    assert (v.raw, str(v), v.segments()) == ("1.0\x00beta", "1.0\x00beta", (1, 0, "beta"))
    assert ombrel.parse_purl("pkg:npm/a\x00@1")["name"] == "a\x00"
    raises(ValueError, "Maven version must start with a digit: '\x001'", ombrel.compare, "\x001", "1", "maven")
    with pytest.raises(ValueError) as e:
        ombrel.compare("1", "1", "npm\x00")
    assert e.value.args[0].startswith("unsupported ecosystem 'npm\x00'")


SURROGATE = "1.\ud800"


@pytest.mark.parametrize(
    "fn, args, kwargs, note",
    [
        (ombrel.eq, ("1", "1", "\udc80"), {}, "ecosystem"),
        (ombrel.satisfies, ("1", ">=" + SURROGATE), {}, "constraint"),
        (ombrel.parse_purl, ("pkg:npm/\udfff",), {}, "purl"),
        (ombrel.build_purl, ("npm", "x"), {"subpath": "\ud800"}, "subpath"),
        (ombrel.vers_contains, ("vers:npm/*", "\ud800"), {}, "version"),
        (ombrel.bump_prerelease, ("1", "\ud800"), {}, "tag"),
        (Version, (SURROGATE,), {}, "version"),
    ],
)
def test_lone_surrogates_are_unicode_errors_naming_the_argument(fn, args, kwargs, note):
    with pytest.raises(UnicodeEncodeError) as e:
        fn(*args, **kwargs)
    assert isinstance(e.value, ValueError)
    assert e.value.__notes__ == [f"while processing '{note}'"]


@pytest.mark.parametrize(
    "fn, args",
    [
        (ombrel.sort_versions, (["1", SURROGATE],)),
        (ombrel.max_version, ([SURROGATE],)),
        (ombrel.compare, (SURROGATE, "1")),
        (ombrel.compare, ("1", SURROGATE)),
        (ombrel.osv_affected, ("1", {"versions": [SURROGATE]})),
        (ombrel.osv_affected, ("1", {"ranges": [{"events": [{"fixed": SURROGATE}]}]})),
        (ombrel.osv_affected, ("1", {"package": {"ecosystem": "\ud800"}})),
        (Version.from_dict, ({"raw": SURROGATE},)),
    ],
)
def test_lone_surrogates_inside_containers_are_unicode_errors(fn, args):
    with pytest.raises(UnicodeEncodeError):
        fn(*args)


class LyingStr(str):
    def __str__(self):
        return "9.9"

    def __eq__(self, other):
        return True

    def __hash__(self):
        return 0

    def encode(self, *args, **kwargs):
        raise Boom


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        (ombrel.compare, (LyingStr("1.0"), "2.0"), -1),
        (ombrel.lt, (LyingStr("1.0"), LyingStr("2.0"), LyingStr("generic")), True),
        (ombrel.satisfies, (LyingStr("1.5"), LyingStr("^1")), True),
        (ombrel.osv_affected, (LyingStr("1.0"), {"versions": [LyingStr("2.0")]}), False),
        (ombrel.parse_purl, (LyingStr("pkg:npm/x"),), {**dict.fromkeys(
            ["namespace", "version", "qualifiers", "subpath"]), "type": "npm", "name": "x", "ecosystem": "npm"}),
        (ombrel.max_version, ([LyingStr("1.0"), "2.0"],), "2.0"),
    ],
)
def test_str_subclasses_are_read_as_their_text(fn, args, expected):
    assert fn(*args) == expected


def test_str_subclass_text_is_copied_into_a_plain_str():
    v = Version(LyingStr("1.0"))
    assert type(v.raw) is str and v.raw == "1.0" and str.__eq__(v.raw, "1.0")


class LyingDict(dict):
    def __getitem__(self, key):
        raise Boom

    def get(self, key, default=None):
        raise Boom

    def __missing__(self, key):
        return "9.9"

    def __contains__(self, key):
        raise Boom

    def keys(self):
        raise Boom


class LyingList(list):
    def __iter__(self):
        raise Boom

    def __getitem__(self, i):
        raise Boom

    def __len__(self):
        raise Boom


def test_dict_and_list_subclasses_are_read_by_their_own_tables():
    event = LyingDict(introduced="1.0.0", fixed="2.0.0")
    entry = LyingDict(package=LyingDict(ecosystem="npm"),
                      ranges=LyingList([LyingDict(events=LyingList([event]))]),
                      versions=LyingList(["3.0.0"]))
    assert ombrel.osv_affected("1.5.0", entry) is True
    assert ombrel.osv_affected("3.0.0", entry) is True
    assert ombrel.osv_affected("2.5.0", entry) is False
    assert ombrel.osv_affected("2.5.0", LyingDict()) is False  # __missing__ is not consulted
    raises(ValueError, "missing 'raw' key", Version.from_dict, LyingDict())
    assert Version.from_dict(LyingDict(raw="1.0", ecosystem="pep440")).ecosystem == "pep440"


class Failing:
    """A sequence whose iteration raises after `n` items; its length may lie or fail."""

    def __init__(self, items, n, length=None):
        self.items, self.n, self.length = items, n, length

    def __len__(self):
        if self.length is None:
            raise Boom("len")
        return self.length

    def __getitem__(self, i):
        if i >= self.n:
            raise Boom("midway")
        if i >= len(self.items):
            raise IndexError(i)
        return self.items[i]


@pytest.mark.parametrize(
    "fn",
    [ombrel.sort_versions, ombrel.max_version, ombrel.min_version, ombrel.stable_versions,
     ombrel.latest_stable],
)
@pytest.mark.parametrize("length", [None, 3, sys.maxsize])
def test_iteration_raising_midway_propagates(fn, length):
    with pytest.raises(Boom, match="midway"):
        fn(Failing(["1.0", "2.0", "3.0"], 2, length))


@pytest.mark.parametrize("length", [None, 0, sys.maxsize])
def test_a_length_that_lies_or_fails_is_only_a_hint(length):
    assert ombrel.sort_versions(Failing(["2.0", "1.0"], 99, length)) == ["1.0", "2.0"]
    assert ombrel.batch_compare(Failing([("1", "2")], 99, length)) == [-1]


def test_generator_raising_midway_is_refused_as_not_a_sequence():
    def gen():
        yield "1.0"
        raise Boom

    raises(TypeError, "'generator' object is not an instance of 'Sequence'", ombrel.sort_versions,
           gen(), note="versions")


# ---- threads ----


def test_calls_from_several_threads_agree_with_one_thread():
    versions = [f"{i % 7}.{i % 5}.{i % 3}-rc.{i % 2}" for i in range(300)]
    calls = [
        lambda: ombrel.sort_versions(versions, "semver"),
        lambda: [Version(v, "semver") for v in versions[:50]],
        lambda: [hash(Version(v, "rpm")) for v in versions[:50]],
        lambda: [ombrel.satisfies(v, "^2 || ~4.1", "npm") for v in versions],
        lambda: ombrel.osv_affected("2.0.0", {"package": {"ecosystem": "npm"},
                                             "ranges": [{"events": [{"introduced": "1.0.0"}]}]}),
        lambda: ombrel.parse_purl("pkg:maven/g/a@1.0?x=y#p"),
        lambda: ombrel.ranges_intersect("^1 || ^3", "^3.1", "npm"),
    ]
    expected = [str(call()) for call in calls]
    failures = []
    old = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        def worker(seed):
            for k in range(40):
                i = (seed + k) % len(calls)
                if str(calls[i]()) != expected[i]:
                    failures.append(i)

        threads = [threading.Thread(target=worker, args=(n,)) for n in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    finally:
        sys.setswitchinterval(old)
    assert failures == []


class Interrupting(list):
    def __len__(self):
        raise KeyboardInterrupt


def test_a_failing_len_is_ignored_but_an_interrupt_is_not():
    assert ombrel.sort_versions(Failing(["2.0", "1.0"], 9)) == ["1.0", "2.0"]
    with pytest.raises(KeyboardInterrupt):
        ombrel.sort_versions(Interrupting(["2.0", "1.0"]))
