import inspect

import pytest

import ombrel
from ombrel import _ombrel

REGISTRATION = [
    ("Version", 'Version(version, ecosystem="auto")'),
    ("version", 'version(s, ecosystem="auto")'),
    ("compare", 'compare(a, b, ecosystem="generic")'),
    ("compare_semver_strict", "compare_semver_strict(a, b)"),
    ("sort_versions", 'sort_versions(versions, ecosystem="generic")'),
    ("batch_compare", 'batch_compare(pairs, ecosystem="generic")'),
    *[(n, f'{n}(a, b, ecosystem="generic")') for n in ("gt", "ge", "gte", "lt", "le", "lte", "eq", "ne")],
    ("max_version", 'max_version(versions, ecosystem="generic")'),
    ("min_version", 'min_version(versions, ecosystem="generic")'),
    ("stable_versions", 'stable_versions(versions, ecosystem="generic")'),
    ("latest_stable", 'latest_stable(versions, ecosystem="generic")'),
    ("satisfies", 'satisfies(version, constraint, ecosystem="generic")'),
    ("range_contains", 'range_contains(version, range, ecosystem="generic")'),
    ("ranges_intersect", 'ranges_intersect(left, right, ecosystem="generic")'),
    ("parse_purl", "parse_purl(purl)"),
    ("build_purl", "build_purl(package_type, name, version=None, namespace=None, qualifiers=None, subpath=None)"),
    ("purl_ecosystem", "purl_ecosystem(purl)"),
    ("build_vers", "build_vers(ecosystem, range)"),
    ("vers_contains", "vers_contains(vers, version)"),
    ("osv_affected", "osv_affected(version, affected, ecosystem=None)"),
    ("bump_major", "bump_major(version)"),
    ("bump_minor", "bump_minor(version)"),
    ("bump_patch", "bump_patch(version)"),
    ("bump_prerelease", 'bump_prerelease(version, tag="alpha")'),
    ("next_stable", "next_stable(version)"),
]
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
    assert _ombrel.__all__ == [name for name, _ in REGISTRATION]
    assert ombrel.__all__ == _ombrel.__all__
    for name in _ombrel.__all__:
        assert getattr(ombrel, name) is getattr(_ombrel, name)


@pytest.mark.parametrize("name, signature", REGISTRATION)
def test_docstrings_carry_the_text_signature_and_body(name, signature):
    obj = getattr(_ombrel, name)
    assert name + obj.__text_signature__ == signature
    assert (obj.__doc__ or "") == BODIES.get(name, "")


@pytest.mark.parametrize("name", [n for n, _ in REGISTRATION[1:]])
def test_functions_are_introspectable(name):
    params = inspect.signature(getattr(ombrel, name)).parameters
    assert all(p.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD for p in params.values())


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: ombrel.compare("1"), "compare() missing 1 required positional argument: 'b'"),
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
    with pytest.raises(TypeError) as e:
        call()
    assert str(e.value) == message


def test_keywords_bind_by_name_in_any_order():
    assert ombrel.compare(ecosystem="semver", b="1.0.0", a="2.0.0") == 1
    assert ombrel.lt(b="2.0", a="1.0") is True


@pytest.mark.parametrize("fn", ["eq", "ne", "lt", "le", "gt", "ge", "gte", "lte"])
@pytest.mark.parametrize(
    "args, name",
    [((1, "1"), "a"), (("1", b"1"), "b"), (("1", "1", None), "ecosystem"), (("1", "1", 3), "ecosystem")],
)
def test_predicates_take_str_only_and_name_the_argument(fn, args, name):
    with pytest.raises(TypeError) as e:
        getattr(ombrel, fn)(*args)
    assert e.value.__notes__ == [f"while processing '{name}'"]
    assert str(e.value) == f"'{type(args[-1] if name != 'a' else args[0]).__name__}' object is not an instance of 'str'"


def test_predicates_convert_every_argument_before_looking_at_the_ecosystem():
    with pytest.raises(TypeError):
        ombrel.eq("1", "1", None)
    with pytest.raises(TypeError) as e:
        ombrel.eq("x", 1, "nosuch")
    assert e.value.__notes__ == ["while processing 'b'"]


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


def test_compare_returns_an_int():
    assert type(ombrel.compare("1.0", "1.0.0")) is int


def test_error_order_ecosystem_then_a_then_b():
    with pytest.raises(ValueError, match="^unsupported ecosystem 'nosuch'"):
        ombrel.compare("bad", "bad", "nosuch")
    with pytest.raises(ValueError, match="^Expected 3 parts, got 1$"):
        ombrel.lt("a", "1.2", "semver")
    with pytest.raises(ValueError, match="^Expected 3 parts, got 2$"):
        ombrel.lt("1.0.0", "1.2", "semver")


def test_compare_rejects_objects_that_are_neither_version_nor_str():
    for eco in ("generic", "auto", "nosuch"):
        with pytest.raises(TypeError, match="^expected Version or str$"):
            ombrel.compare(1, "1.0", eco) if eco != "nosuch" else ombrel.compare("1.0", 1, "generic")


def test_auto_uses_the_first_text_for_both():
    # "1.0~rc1" selects Debian, where tilde sorts before the release
    assert ombrel.compare("1.0~rc1", "1.0", "auto") == -1
    # "1.0.0" selects generic, which accepts the second text even though Debian would too
    assert ombrel.compare("1.0", "1.0~rc1", "AUTO") == 1
    with pytest.raises(ValueError):
        ombrel.compare("auto ", "1.0", "auto ")


@pytest.mark.parametrize("text", ["\udc80", "1.0\ud800"])
def test_lone_surrogates_raise_a_clear_error(text):
    with pytest.raises(UnicodeEncodeError):
        ombrel.compare(text, "1.0")
    with pytest.raises(UnicodeEncodeError) as e:
        ombrel.lt("1.0", text)
    assert e.value.__notes__ == ["while processing 'b'"]


def test_str_subclasses_are_read_as_text():
    class S(str):
        def __str__(self):
            return "9.9"

    assert ombrel.compare(S("1.0"), "1.0") == 0
    assert ombrel.lt(S("1.0"), S("2.0")) is True


def test_nul_characters_are_ordinary_bytes():
    assert ombrel.compare("1.0\x002", "1.0.2") == 0
    with pytest.raises(ValueError) as e:
        ombrel.compare("1.0\x00", "1.0.0", "semver")
    assert e.value.args == ("Expected 3 parts, got 2",)
