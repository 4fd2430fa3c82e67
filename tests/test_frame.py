"""The one argument binder and the text conversions that every function shares."""

import inspect

import pytest
from conftest import raises, unsupported

import ombrel
from ombrel import Version

SURROGATE = "1.\ud800"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: ombrel.compare(), "compare() missing 2 required positional arguments: 'a' and 'b'"),
        (lambda: ombrel.compare(b="1"), "compare() missing 1 required positional argument: 'a'"),
        (lambda: ombrel.compare("1", "2", "generic", 4),
         "compare() takes from 2 to 3 positional arguments but 4 were given"),
        (lambda: ombrel.compare_semver_strict("1", "2", "3"),
         "compare_semver_strict() takes 2 positional arguments but 3 were given"),
        (lambda: ombrel.compare("1", "2", x=1), "compare() got an unexpected keyword argument 'x'"),
        (lambda: ombrel.compare("1", "2", a="1"), "compare() got multiple values for argument 'a'"),
        (lambda: ombrel.compare("1", ecosystem="generic"), "compare() missing 1 required positional argument: 'b'"),
    ],
)
def test_binding_errors(call, message):
    raises(TypeError, message, call)


@pytest.mark.parametrize(
    "fn, args",
    [
        (ombrel.compare, ("1.0~rc1", "1.0")), (ombrel.bump_prerelease, ("1.2.3-alpha.1",)),
        (ombrel.osv_affected, ("1.0~rc1", {"package": {"ecosystem": "Debian"}, "versions": ["1.0~rc1"]})),
        (Version("1.0+local", "pep440").compare, ("1.0",)), (Version.parse, ("1.0~rc1",)), (Version, ("1.0~rc1",)),
        (Version.try_parse, ("1.0~rc1",)), (ombrel.build_purl, ("npm", "x")), (ombrel.lt, ("1.0", "2.0")),
        (ombrel.satisfies, ("1.5", "^1")), (ombrel.range_contains, ("1.5", "^2")),
        (ombrel.ranges_intersect, ("^1", "^2")), (ombrel.version, ("1.2.3",)),
    ],
)
def test_introspected_signatures_name_what_the_binder_takes_and_the_defaults_it_applies(fn, args):
    params = inspect.signature(fn).parameters
    assert all(p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD for p in params.values())
    given = dict(zip(params, args))
    defaults = {name: p.default for name, p in params.items() if p.default is not p.empty}
    assert list(params) == list(given) + list(defaults)
    assert repr(fn(*args)) == repr(fn(**dict(reversed({**given, **defaults}.items()))))  # keywords in any order


@pytest.mark.parametrize(
    "call, param, type_name",
    [
        (lambda: ombrel.lt(1, "1"), "a", "int"), (lambda: ombrel.compare_semver_strict(1, "1.0.0"), "a", "int"), (lambda: ombrel.ge("1", b"1"), "b", "bytes"),
        (lambda: ombrel.ne("1", "1", 3), "ecosystem", "int"),
        (lambda: ombrel.eq("x", 1, "nosuch"), "b", "int"),  # every argument before the ecosystem's name
        (lambda: ombrel.eq(Version("1.0"), "1.0"), "a", "Version"),
        (lambda: ombrel.satisfies("1.0", 1, "nosuch"), "constraint", "int"),
        (lambda: ombrel.satisfies(Version("1.0"), "*"), "version", "Version"),
        (lambda: ombrel.ranges_intersect("*", ["*"]), "right", "list"),
        (lambda: ombrel.vers_contains("vers:npm/*", Version("1.0")), "version", "Version"),
        (lambda: ombrel.parse_purl(None), "purl", "NoneType"),
        (lambda: ombrel.build_purl("npm", None), "name", "NoneType"),
        (lambda: ombrel.build_purl("", "", subpath=1), "subpath", "int"),  # before the blank type and name
        (lambda: ombrel.osv_affected("1.0", {}, 1), "ecosystem", "int"),
        (lambda: ombrel.osv_affected(1, None, 1), "version", "int"),  # in order, before the entry is looked at
        (lambda: ombrel.bump_major(Version("1.2.3")), "version", "Version"),
        (lambda: ombrel.bump_prerelease("1.0", tag=1), "tag", "int"), (lambda: ombrel.version(None), "s", "NoneType"),
    ],
)
def test_str_arguments_refuse_other_types_naming_the_argument(call, param, type_name):
    raises(TypeError, f"'{type_name}' object is not an instance of 'str'", call, note=param)


@pytest.mark.parametrize(
    "fn, args, kwargs, note",
    [
        (ombrel.compare, ("\udc80", "1.0"), {}, None), (ombrel.lt, ("1.0", "1.0\ud800"), {}, "b"),
        (ombrel.eq, ("1", "1", "\udc80"), {}, "ecosystem"),
        (ombrel.satisfies, ("1", ">=" + SURROGATE), {}, "constraint"),
        (ombrel.build_purl, ("npm", "x"), {"subpath": "\ud800"}, "subpath"),
        (ombrel.bump_prerelease, ("1", "\ud800"), {}, "tag"),
        (Version, (SURROGATE,), {}, "version"), (Version.try_parse, ("1.0\udc80",), {}, "version"),
        # inside containers the error has no argument to name
        (ombrel.compare, ("1.0", type("T", (str,), {})("\ud800"), "rpm"), {}, None),
        (ombrel.sort_versions, (["1", SURROGATE],), {}, ...),
        (ombrel.osv_affected, ("1", {"versions": [SURROGATE]}), {}, ...),
        (ombrel.osv_affected, ("1", {"ranges": [{"events": [{"fixed": SURROGATE}]}]}), {}, ...),
        (ombrel.osv_affected, ("1", {"package": {"ecosystem": "\ud800"}}), {}, ...),
        (Version.from_dict, ({"raw": SURROGATE},), {}, ...),
    ],
)
def test_lone_surrogates_are_unicode_errors(fn, args, kwargs, note):
    with pytest.raises(UnicodeEncodeError) as e:
        fn(*args, **kwargs)
    if note is not ...:
        assert getattr(e.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)


class LyingStr(str):
    """A str whose Python-level methods all lie: the binding must read its text."""

    def __str__(self):
        return "9.9"

    def __eq__(self, other):
        return True

    def __hash__(self):
        return 0

    def encode(self, *args, **kwargs):
        raise AssertionError("encode called")


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        (ombrel.compare, (LyingStr("1.0"), "2.0"), -1), (ombrel.compare, ("1.0.1", LyingStr("1.0")), 1),
        (ombrel.compare, (LyingStr("1.0-rc.1"), LyingStr("1.0-RC.1")), 0),
        (ombrel.lt, (LyingStr("1.0"), LyingStr("2.0"), LyingStr("generic")), True),
        (ombrel.satisfies, (LyingStr("1.5"), LyingStr("^1")), True),
        (ombrel.osv_affected, (LyingStr("1.0"), {"versions": [LyingStr("2.0")]}), False),
        (ombrel.parse_purl, (LyingStr("pkg:npm/x"),), {**dict.fromkeys(
            ["namespace", "version", "qualifiers", "subpath"]), "type": "npm", "name": "x", "ecosystem": "npm"}),
        (ombrel.max_version, ([LyingStr("1.0"), "2.0"],), "2.0"),
        # NUL is an ordinary byte everywhere
        (ombrel.compare, ("1.0\x00", "1.0"), 0), (ombrel.compare, ("1\x002", "1.2"), 0),
        (ombrel.satisfies, ("1.5", ">=1.0\x00"), True),
        (ombrel.build_purl, ("npm", "a\x00b", "1\x00"), "pkg:npm/a\x00b@1\x00"),
        (ombrel.build_vers, ("npm", "^1.2\x00"), "vers:npm/^1.2\x00"),
        (ombrel.vers_contains, ("vers:generic/>=1.0\x00", "1.5"), True),
        (ombrel.osv_affected, ("1\x00", {"versions": ["1\x00"]}), True),
    ],
)
def test_str_subclasses_are_read_as_their_text_and_nul_is_an_ordinary_byte(fn, args, expected):
    assert fn(*args) == expected


def test_nul_characters_survive_in_objects_and_messages():
    v = Version(LyingStr("1.0\x00beta"), "generic")
    assert type(v.raw) is str and str.__eq__(v.raw, "1.0\x00beta") and v.segments() == (1, 0, "beta")
    assert ombrel.parse_purl("pkg:npm/a\x00@1")["name"] == "a\x00"
    raises(ValueError, "Maven version must start with a digit: '\x001'", ombrel.compare, "\x001", "1", "maven")
    raises(ValueError, "Expected 3 parts, got 2", ombrel.compare, "1.0\x00", "1.0.0", "semver")
    with pytest.raises(ValueError, match="^unsupported ecosystem 'npm\x00'"):
        ombrel.compare("1", "1", "npm\x00")


@pytest.mark.parametrize(
    "fn, truth",
    [("lt", (True, False, False)), ("le", (True, True, False)), ("lte", (True, True, False)),
     ("gt", (False, False, True)), ("ge", (False, True, True)), ("gte", (False, True, True)),
     ("eq", (False, True, False)), ("ne", (True, False, True))],
)
def test_predicate_truth_tables(fn, truth):
    f = getattr(ombrel, fn)
    assert (f("1.0", "2.0"), f("1.0", "1.0.0"), f("2.0", "1.0")) == truth
    assert type(f("1", "1")) is bool
    assert type(ombrel.compare("1.0", "1.0.0")) is int


@pytest.mark.parametrize(
    "fn, args, message",
    [
        (ombrel.compare, ("bad", "bad", "nosuch"), unsupported("nosuch")),  # the ecosystem, then a, then b
        (ombrel.lt, ("a", "1.2", "semver"), "Expected 3 parts, got 1"),
        (ombrel.lt, ("1.0.0", "1.2", "semver"), "Expected 3 parts, got 2"),
        (ombrel.compare_semver_strict, ("1.0", "x"), "Expected 3 parts, got 2"),
        (ombrel.compare, ("x!", "\ud800", "pep440"), "invalid PEP 440 epoch: 'x'"),  # before b is encoded
        (ombrel.compare, ("x!y", "1.0", "auto"), "invalid PEP 440 epoch: 'x'"),  # the guessed parser's error
        (ombrel.compare, (1, "1.0", "generic"), TypeError), (ombrel.compare, (1, "1.0", "auto"), TypeError),
        (ombrel.compare, ("1.0", 1, "generic"), TypeError),
    ],
)
def test_errors_in_argument_order(fn, args, message):
    if message is TypeError:
        raises(TypeError, "expected Version or str", fn, *args)
    else:
        raises(ValueError, message, fn, *args)
