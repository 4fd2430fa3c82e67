import random

import pytest
from conftest import raises, unsupported

from ombrel import build_vers, range_contains, vers_contains


def comparator_error(token):
    return f"invalid comparator: '{token}'; expected operator (>=, <=, >, <, ==, !=) followed by version"


@pytest.mark.parametrize(
    "ecosystem, range_text, expected",
    [
        ("NPM", ">=1.0,<2.0", "vers:npm/>=1.0,<2.0"), ("node", "^1.2", "vers:npm/^1.2"),
        ("Python", "\u3000>=1.0 , <2\t", "vers:pep440/>=1.0 , <2"), ("generic", "", "vers:generic/"),
        ("deb", ">=1:1.0/x", "vers:debian/>=1:1.0/x"),
        ("npm", "1.2", comparator_error("1.2")), ("npm", ">=", "missing version in comparator '>='"),
        ("auto", "*", unsupported("auto")),
        ("nosuch", "1.2", unsupported("nosuch")),  # the ecosystem is checked before the range
    ],
)
def test_build_writes_canonical_ecosystem_and_trimmed_range_or_raises(ecosystem, range_text, expected):
    if expected.startswith("vers:"):
        out = build_vers(ecosystem, range_text)
        assert type(out) is str and out == expected
    else:
        raises(ValueError, expected, build_vers, ecosystem, range_text)


@pytest.mark.parametrize(
    "vers, version, expected",
    [
        ("vers:npm/^1.2", "1.5.0", True), ("vers:npm/^1.2", "2.0.0", False), ("vers:npm/^1.2", "2.0.0-alpha", True),
        ("vers:pep440/>=1.0 || <0.5", "0.4", True), ("vers:pep440/>=1.0,<2.0", "2.0rc1", True),
        ("vers:debian/>=1:1.0", "1:1.0~rc1", False), ("vers:maven/[1.0,2.0)", "1.5-SNAPSHOT", True),
        ("vers:generic/>=1/2", "1.3", True), ("vers:generic/>=1/2", "1.1", False),  # all after the first "/"
        ("vers:generic/>=1.0.0|<2.0.0", "1.0.0.1", False),  # a single "|" is no separator
        ("vers:npm/*", "not a version", True), ("vers:npm/", "", True), ("vers:npm/ || ^9", "x", True),
    ],
)
def test_contains_evaluates_the_range_under_the_named_ecosystem(vers, version, expected):
    assert vers_contains(vers, version) is expected


@pytest.mark.parametrize(
    "vers, version, message",
    [
        ("VERS:npm/^1.2", "1.0.0", "invalid VERS 'VERS:npm/^1.2'; expected 'vers:' prefix"),
        (" vers:npm/^1.2", "1.0.0", "invalid VERS ' vers:npm/^1.2'; expected 'vers:' prefix"),
        ("vers:npm", "1.0.0", "invalid VERS 'vers:npm'; expected 'vers:<ecosystem>/<range>'"),
        ("vers:", "1.0.0", "invalid VERS 'vers:'; expected 'vers:<ecosystem>/<range>'"),
        ("vers:/^1.2", "1.0.0", unsupported("")), ("vers:auto/*", "1.0.0", unsupported("auto")),
        ("vers:generic//", "1.0.0", comparator_error("/")),
        # comparison errors: the candidate is parsed first, then the bound
        ("vers:npm/>=1.0", "1.5.0", "Expected 3 parts, got 2"),
        ("vers:npm/^1.2", "garbage", "Expected 3 parts, got 1"),
    ],
)
def test_contains_raises_parse_and_comparison_messages(vers, version, message):
    raises(ValueError, message, vers_contains, vers, version)


def test_built_specifier_reads_back_as_the_same_range():
    def outcome(f, *args):
        try:
            return f(*args)
        except ValueError as e:
            return e.args

    rng = random.Random(7)
    ecosystems = ["generic", "pep440", "debian", "rpm", "maven", "ruby", "go"]
    ranges = [">=1.0,<2.0", "^1.2", "~1.4", "1.x", "[1.0,2.0)", "(,3]", "<1.0 || >=2.0", "!=1.5",
              "==1.0.0", "*", ">= 1.1 <= 1.9"]
    versions = ["0.9", "1.0", "1.0.0", "1.2", "1.4.5", "1.5", "1.9.9", "2.0", "2.0a1", "3", "v1.2.0"]
    for _ in range(400):
        eco, rng_text, version = rng.choice(ecosystems), rng.choice(ranges), rng.choice(versions)
        vers = build_vers(eco, rng_text)
        assert build_vers(*vers[len("vers:"):].split("/", 1)) == vers
        assert outcome(vers_contains, vers, version) == outcome(range_contains, version, rng_text, eco), vers
