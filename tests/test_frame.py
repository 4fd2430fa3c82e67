import inspect

import pytest
from conftest import raises

import ombrel
from ombrel import Version, _ombrel

ECO = 'ecosystem="generic"'
SIGNATURES = [  # in registration order
    'Version(version, ecosystem="auto")', 'version(s, ecosystem="auto")', f"compare(a, b, {ECO})",
    "compare_semver_strict(a, b)", f"sort_versions(versions, {ECO})", f"batch_compare(pairs, {ECO})",
    *[f"{n}(a, b, {ECO})" for n in ("gt", "ge", "gte", "lt", "le", "lte", "eq", "ne")],
    f"max_version(versions, {ECO})", f"min_version(versions, {ECO})", f"stable_versions(versions, {ECO})",
    f"latest_stable(versions, {ECO})", f"satisfies(version, constraint, {ECO})",
    f"range_contains(version, range, {ECO})", f"ranges_intersect(left, right, {ECO})", "parse_purl(purl)",
    "build_purl(package_type, name, version=None, namespace=None, qualifiers=None, subpath=None)",
    "purl_ecosystem(purl)", "build_vers(ecosystem, range)", "vers_contains(vers, version)",
    "osv_affected(version, affected, ecosystem=None)", "bump_major(version)", "bump_minor(version)",
    "bump_patch(version)", 'bump_prerelease(version, tag="alpha")', "next_stable(version)",
]
NAMES = [s.split("(")[0] for s in SIGNATURES]
BODIES = {
    "satisfies": "Check whether `version` satisfies `constraint`.\n\nSupported syntax:\n  - Operators: `>=`, `<=`, `>`, `<`, `==`, `!=`\n  - AND via comma: `>=1.0,<2.0`\n  - OR via `||`: `^1.0 || ^2.0`\n  - Shorthand: `^1.2.3`, `~1.2`, `1.2.x`, `*`",
    "bump_prerelease": "Bump the prerelease counter on a version.\n\nSemantics:\n  - If the version has a prerelease segment with the same `tag`, the\n    first numeric segment following that tag is incremented.\n  - Otherwise the existing prerelease is replaced with `-{tag}.0`.\n  - If no release triple is present, it's filled with `0.0.0`.",
    "osv_affected": (
        'Whether `version` is affected according to one OSV "affected" entry (a dict\n'
        'as decoded from JSON).\n'
        '\n'
        'Rules:\n'
        "  - Each range's events are read in order as a sequence of intervals.\n"
        '    `introduced` opens one (and is ignored while one is open); `fixed`\n'
        '    closes it below the bound, `last_affected` at the bound. A closing\n'
        '    event with no interval open starts from no lower bound if the range\n'
        '    has no interval yet, and is ignored otherwise. An interval still open\n'
        '    at the end has no upper bound. Introduced "0" means no lower bound.\n'
        '  - An interval bounded by nothing (introduced "0", never closed) holds\n'
        '    every version; a range whose events carry none of these keys is\n'
        '    passed over.\n'
        '  - The package\'s ecosystem is read up to its first `:` ("Debian:12");\n'
        '    ignoring case, "PyPI" is pep440, "Ubuntu" is debian, and\n'
        '    "Rocky Linux", "AlmaLinux" and "Red Hat" are rpm. An explicit\n'
        '    `ecosystem` argument is taken as given.\n'
        '\n'
        'The "versions" list matches by exact text.'
    ),
    "next_stable": "Return the release form of a version, stripping any prerelease/postrelease\ntags and build metadata. `1.2.3-alpha.1+build` \u2192 `1.2.3`.",
}


def test_all_lists_the_registration_order():
    assert _ombrel.__all__ == NAMES
    assert ombrel.__all__ == _ombrel.__all__ + ombrel._ext.__all__
    for name in _ombrel.__all__:
        assert getattr(ombrel, name) is getattr(_ombrel, name)


@pytest.mark.parametrize("name, signature", list(zip(NAMES, SIGNATURES)))
def test_docstrings_carry_the_text_signature_and_body(name, signature):
    obj = getattr(_ombrel, name)
    assert name + obj.__text_signature__ == signature
    assert (obj.__doc__ or "") == BODIES.get(name, "")


@pytest.mark.parametrize("name", NAMES[1:])
def test_functions_are_introspectable(name):
    params = inspect.signature(getattr(ombrel, name)).parameters
    assert all(p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD for p in params.values())


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


def test_keywords_bind_by_name_in_any_order():
    assert ombrel.compare(ecosystem="semver", b="1.0.0", a="2.0.0") == 1
    assert ombrel.lt(b="2.0", a="1.0") is True
    assert ombrel.satisfies(version="1.5", constraint="^1", ecosystem="generic") is True
    assert ombrel.range_contains(version="1.5", range="^2") is False
    assert ombrel.ranges_intersect(left="^1", right="^2") is False


@pytest.mark.parametrize(
    "call, param, type_name",
    [
        (lambda: ombrel.lt(1, "1"), "a", "int"),
        (lambda: ombrel.ge("1", b"1"), "b", "bytes"),
        (lambda: ombrel.ne("1", "1", 3), "ecosystem", "int"),
        (lambda: ombrel.eq("x", 1, "nosuch"), "b", "int"),  # every argument before the ecosystem's name
        (lambda: ombrel.eq(Version("1.0"), "1.0"), "a", "Version"),
        (lambda: ombrel.satisfies(b"1.0", "*"), "version", "bytes"),
        (lambda: ombrel.satisfies("1.0", 1, "nosuch"), "constraint", "int"),
        (lambda: ombrel.satisfies(Version("1.0"), "*"), "version", "Version"),
        (lambda: ombrel.range_contains("1.0", "*", None), "ecosystem", "NoneType"),
        (lambda: ombrel.ranges_intersect("*", ["*"]), "right", "list"),
        (lambda: ombrel.build_vers("npm", 1), "range", "int"),
        (lambda: ombrel.vers_contains("vers:npm/*", Version("1.0")), "version", "Version"),
        (lambda: ombrel.parse_purl(None), "purl", "NoneType"),
        (lambda: ombrel.purl_ecosystem(b"pkg:npm/x"), "purl", "bytes"),
        (lambda: ombrel.build_purl("npm", None), "name", "NoneType"),
        (lambda: ombrel.build_purl("", "", subpath=1), "subpath", "int"),  # before the blank type and name
    ],
)
def test_str_arguments_refuse_other_types_naming_the_argument(call, param, type_name):
    raises(TypeError, f"'{type_name}' object is not an instance of 'str'", call, note=param)


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


def test_error_order_ecosystem_then_a_then_b():
    with pytest.raises(ValueError, match="^unsupported ecosystem 'nosuch'"):
        ombrel.compare("bad", "bad", "nosuch")
    raises(ValueError, "Expected 3 parts, got 1", ombrel.lt, "a", "1.2", "semver")
    raises(ValueError, "Expected 3 parts, got 2", ombrel.lt, "1.0.0", "1.2", "semver")


@pytest.mark.parametrize("args", [(1, "1.0", "generic"), (1, "1.0", "auto"), ("1.0", 1, "generic")])
def test_compare_rejects_objects_that_are_neither_version_nor_str(args):
    raises(TypeError, "expected Version or str", ombrel.compare, *args)


def test_auto_uses_the_first_text_for_both():
    # "1.0~rc1" selects Debian, where tilde sorts before the release
    assert ombrel.compare("1.0~rc1", "1.0", "auto") == -1
    # "1.0" selects generic, which accepts the second text even though Debian would too
    assert ombrel.compare("1.0", "1.0~rc1", "AUTO") == 1


@pytest.mark.parametrize("text", ["\udc80", "1.0\ud800"])
def test_lone_surrogates_raise_a_clear_error(text):
    with pytest.raises(UnicodeEncodeError):
        ombrel.compare(text, "1.0")
    with pytest.raises(UnicodeEncodeError) as e:
        ombrel.lt("1.0", text)
    assert e.value.__notes__ == ["while processing 'b'"]


def test_str_subclasses_are_read_as_text_and_nul_is_an_ordinary_byte():
    class S(str):
        def __str__(self):
            return "9.9"

    assert ombrel.compare(S("1.0"), "1.0") == 0
    assert ombrel.lt(S("1.0"), S("2.0")) is True
    assert ombrel.compare("1.0\x002", "1.0.2") == 0
    raises(ValueError, "Expected 3 parts, got 2", ombrel.compare, "1.0\x00", "1.0.0", "semver")
