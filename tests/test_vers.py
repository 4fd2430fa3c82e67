import random

import pytest

import ombrel
from ombrel import build_vers, range_contains, vers_contains

UNSUPPORTED = (
    "'; expected one of: generic, semver, pep440, debian, rpm, ruby, maven, go, npm, nuget, "
    "composer, crates, hex, swift, calver, alpine, docker, conda, arch, gentoo, cran, spack, "
    "dart, julia, terraform, helm, cpan, nix, homebrew, freebsd"
)


def comparator_error(token):
    return (f"invalid comparator: '{token}'; expected operator (>=, <=, >, <, ==, !=) "
            "followed by version")


@pytest.mark.parametrize(
    "ecosystem, range_text, expected",
    [
        ("npm", " ^1.2 ", "vers:npm/^1.2"),
        ("NPM", ">=1.0,<2.0", "vers:npm/>=1.0,<2.0"),
        ("node", "^1.2", "vers:npm/^1.2"),
        ("Python", "\u3000>=1.0 , <2\t", "vers:pep440/>=1.0 , <2"),
        ("generic", "", "vers:generic/"),
        ("deb", ">=1:1.0/x", "vers:debian/>=1:1.0/x"),
    ],
)
def test_build_writes_canonical_ecosystem_and_trimmed_range(ecosystem, range_text, expected):
    out = build_vers(ecosystem, range_text)
    assert type(out) is str
    assert out == expected


@pytest.mark.parametrize(
    "ecosystem, range_text, message",
    [
        ("npm", "1.2", comparator_error("1.2")),
        ("npm", ">=", "missing version in comparator '>='"),
        ("auto", "*", "unsupported ecosystem 'auto" + UNSUPPORTED),
        ("PyPI", "*", "unsupported ecosystem 'pypi" + UNSUPPORTED),
        (" npm", "*", "unsupported ecosystem ' npm" + UNSUPPORTED),
        # the ecosystem is checked before the range
        ("nosuch", "1.2", "unsupported ecosystem 'nosuch" + UNSUPPORTED),
    ],
)
def test_build_rejects_bad_ecosystem_then_bad_range(ecosystem, range_text, message):
    with pytest.raises(ValueError) as e:
        build_vers(ecosystem, range_text)
    assert e.value.args == (message,)


@pytest.mark.parametrize(
    "vers, version, expected",
    [
        ("vers:npm/^1.2", "1.5.0", True),
        ("vers:npm/^1.2", "2.0.0", False),
        ("vers:npm/^1.2", "2.0.0-alpha", True),
        ("vers:pep440/>=1.0 || <0.5", "0.4", True),
        ("vers:pep440/>=1.0,<2.0", "2.0rc1", True),
        ("vers:debian/>=1:1.0", "1:1.0~rc1", False),
        ("vers:debian/<1.0", "1.0~rc1", True),
        ("vers:maven/[1.0,2.0)", "1.5-SNAPSHOT", True),
        # everything after the first "/" is the range
        ("vers:generic/>=1/2", "1.3", True),
        ("vers:generic/>=1/2", "1.1", False),
        # a single "|" is no separator: one bound "1.0.0|<2.0.0"
        ("vers:generic/>=1.0.0|<2.0.0", "1.5", True),
        ("vers:generic/>=1.0.0|<2.0.0", "1.0.0.1", False),
    ],
)
def test_contains_evaluates_the_range_under_the_named_ecosystem(vers, version, expected):
    assert vers_contains(vers, version) is expected


@pytest.mark.parametrize("vers", ["vers:npm/*", "vers:npm/", "vers:semver/x", "vers:npm/ || ^9"])
@pytest.mark.parametrize("version", ["not a version", "", "1.0"])
def test_unbounded_branch_contains_anything_unparsed(vers, version):
    assert vers_contains(vers, version) is True


@pytest.mark.parametrize(
    "vers, version, message",
    [
        ("VERS:npm/^1.2", "1.0.0", "invalid VERS 'VERS:npm/^1.2'; expected 'vers:' prefix"),
        (" vers:npm/^1.2", "1.0.0", "invalid VERS ' vers:npm/^1.2'; expected 'vers:' prefix"),
        ("", "1.0.0", "invalid VERS ''; expected 'vers:' prefix"),
        ("vers:npm", "1.0.0", "invalid VERS 'vers:npm'; expected 'vers:<ecosystem>/<range>'"),
        ("vers:", "1.0.0", "invalid VERS 'vers:'; expected 'vers:<ecosystem>/<range>'"),
        ("vers:/^1.2", "1.0.0", "unsupported ecosystem '" + UNSUPPORTED),
        ("vers:auto/*", "1.0.0", "unsupported ecosystem 'auto" + UNSUPPORTED),
        ("vers:generic//", "1.0.0", comparator_error("/")),
        ("vers:npm/1.2", "1.0.0", comparator_error("1.2")),
        # comparison errors: the candidate is parsed first, then the bound
        ("vers:npm/>=1.0", "1.5.0", "Expected 3 parts, got 2"),
        ("vers:npm/^1.2", "garbage", "Expected 3 parts, got 1"),
    ],
)
def test_contains_raises_parse_and_comparison_messages(vers, version, message):
    with pytest.raises(ValueError) as e:
        vers_contains(vers, version)
    assert e.value.args == (message,)


@pytest.mark.parametrize(
    "call, param, type_name",
    [
        (lambda: build_vers("npm", 1), "range", "int"),
        (lambda: vers_contains("vers:npm/*", None), "version", "NoneType"),
    ],
)
def test_non_str_arguments_are_type_errors(call, param, type_name):
    with pytest.raises(TypeError) as e:
        call()
    assert e.value.args == (f"'{type_name}' object is not an instance of 'str'",)
    assert e.value.__notes__ == [f"while processing '{param}'"]


def test_version_objects_are_not_accepted():
    try:
        v = ombrel.Version("1.0.0")
    except (AttributeError, NotImplementedError):
        pytest.skip("Version is not available")
    with pytest.raises(TypeError) as e:
        vers_contains("vers:npm/*", v)
    assert e.value.args == ("'Version' object is not an instance of 'str'",)


def outcome(f, *args):
    try:
        return f(*args)
    except ValueError as e:
        return e.args


def test_built_specifier_reads_back_as_the_same_range():
    rng = random.Random(7)
    ecosystems = ["generic", "pep440", "debian", "rpm", "maven", "ruby", "go"]
    ranges = [">=1.0,<2.0", "^1.2", "~1.4", "1.x", "[1.0,2.0)", "(,3]", "<1.0 || >=2.0", "!=1.5",
              "==1.0.0", "*", ">= 1.1 <= 1.9"]
    versions = ["0.9", "1.0", "1.0.0", "1.2", "1.4.5", "1.5", "1.9.9", "2.0", "2.0a1", "3",
                "v1.2.0"]
    for _ in range(400):
        eco, rng_text, version = rng.choice(ecosystems), rng.choice(ranges), rng.choice(versions)
        vers = build_vers(eco, rng_text)
        assert build_vers(*vers[len("vers:"):].split("/", 1)) == vers
        assert outcome(vers_contains, vers, version) == outcome(
            range_contains, version, rng_text, eco), vers


def test_ten_megabyte_specifier_is_rejected_in_linear_time():
    text = "vers:" + "n" * 10_000_000
    with pytest.raises(ValueError) as e:
        vers_contains(text, "1.0")
    assert e.value.args == (f"invalid VERS '{text}'; expected 'vers:<ecosystem>/<range>'",)
