import gc
import random

import pytest
from conftest import raises

from ombrel import build_purl, parse_purl, purl_ecosystem

KEYS = ["type", "namespace", "name", "version", "qualifiers", "subpath", "ecosystem"]


@pytest.mark.parametrize(
    "text, expected",
    [
        ("pkg:maven/grp.sub/widget-core@3.12.0?type=jar#src",
         ("maven", "grp.sub", "widget-core", "3.12.0", "type=jar", "src", "maven")),
        ("pkg:PyPI/Widget@4.2", ("pypi", None, "Widget", "4.2", None, None, "pep440")),
        ("pkg:npm/%40scope/core@1.0.0", ("npm", "%40scope", "core", "1.0.0", None, None, "npm")),
        ("pkg:npm///a///b//c///", ("npm", "a/b", "c", None, None, None, "npm")),
        ("pkg:npm/foo@1.0@2.0", ("npm", None, "foo@1.0", "2.0", None, None, "npm")),
        ("pkg:npm/@scope/name@1.0", ("npm", "@scope", "name", "1.0", None, None, "npm")),
        ("pkg:npm/foo@", ("npm", None, "foo", "", None, None, "npm")),
        ("pkg:npm/foo?", ("npm", None, "foo", None, "", None, "npm")),
        ("pkg:npm/foo#", ("npm", None, "foo", None, None, "", "npm")),
        ("pkg:npm/foo#a?b", ("npm", None, "foo", None, None, "a?b", "npm")),
        ("pkg:npm/foo?a#b?c@d", ("npm", None, "foo", None, "a", "b?c@d", "npm")),
        ("pkg:a@b/c", ("a@b", None, "c", None, None, None, None)),  # a version's "@" follows the type's "/"
        ("pkg:npm/a@b/c", ("npm", None, "a", "b/c", None, None, "npm")),
        ("pkg:GOLANG/Ünï/çödé@v1.0.0", ("golang", "Ünï", "çödé", "v1.0.0", None, None, "go")),
        ("pkg:ÄPK/x", ("Äpk", None, "x", None, None, None, None)),
        ("pkg: npm /x", (" npm ", None, "x", None, None, None, None)),
    ],
)
def test_parse_cuts_at_delimiters_without_decoding(text, expected):
    d = parse_purl(text)
    assert type(d) is dict
    assert list(d) == KEYS
    assert list(d.values()) == list(expected)
    assert all(type(v) is str for v in d.values() if v is not None)


@pytest.mark.parametrize(
    "text, reason",
    [
        ("PKG:npm/x", "expected 'pkg:' prefix"), (" pkg:npm/x", "expected 'pkg:' prefix"),
        ("pkg", "expected 'pkg:' prefix"), ("pkg:npm", "expected package type and name"),
        ("pkg:npm#a/b", "expected package type and name"), ("pkg:/x", "package type and name are required"),
        ("pkg:npm/", "package type and name are required"), ("pkg:npm/?x", "package type and name are required"),
        ("pkg:npm//", "missing package name"), ("pkg:npm/@1.0", "missing package name"),
        ("pkg:npm/@scope/name", "missing package name"), ("pkg:npm//@1.0#x", "missing package name"),
    ],
)
def test_parse_messages_quote_the_whole_input(text, reason):
    raises(ValueError, f"invalid purl '{text}'; {reason}", parse_purl, text)
    raises(ValueError, f"invalid purl '{text}'; {reason}", purl_ecosystem, text)


# A sample of types: the registry's own name, a second name, and types that map to nothing.
TYPES = ("pypi=pep440 python=pep440 deb=debian gem=ruby golang=go cargo=crates apk=alpine oci=docker pacman=arch "
         "r=cran pub=dart opentofu=terraform perl=cpan nixpkgs=nix brew=homebrew pkg=freebsd maven=maven npm=npm "
         "semver= calver= github= node= crates.io=")


@pytest.mark.parametrize("purl_type, ecosystem", [pair.split("=") for pair in TYPES.split()] + [("rpm ", "")])
def test_purl_types_name_their_ecosystem_in_any_case(purl_type, ecosystem):
    ecosystem = ecosystem or None
    assert purl_ecosystem(f"pkg:{purl_type}/x@1") == ecosystem
    assert purl_ecosystem(f"pkg:{purl_type.upper()}/x") == ecosystem
    assert parse_purl(f"pkg:{purl_type}/ns/x")["ecosystem"] == ecosystem


@pytest.mark.parametrize(
    "args, kwargs, expected",
    [
        (("NPM", "widget", "4.17.21"), {}, "pkg:npm/widget@4.17.21"),
        (("maven", "core"), {"namespace": "grp.sub", "qualifiers": "type=jar", "subpath": "x"},
         "pkg:maven/grp.sub/core?type=jar#x"),
        (("npm", "widget"), {"namespace": ""}, "pkg:npm//widget"),
        (("npm", "widget", ""), {"qualifiers": "", "subpath": ""}, "pkg:npm/widget@?#"),
        # arguments are copied unchanged: nothing is encoded, trimmed or checked
        ((" NpM ", " w/i@d ", "1 0", "a//b", "a=b&c", "s#t"), {}, "pkg: npm /a//b/ w/i@d @1 0?a=b&c#s#t"),
        (("ÄPK", "Ünï"), {}, "pkg:Äpk/Ünï"),
    ],
)
def test_build_writes_parts_with_their_delimiters(args, kwargs, expected):
    out = build_purl(*args, **kwargs)
    assert type(out) is str
    assert out == expected


@pytest.mark.parametrize("package_type, name", [("", "x"), ("npm", "\t\n"), ("\u3000", "x"), ("npm", "\u00a0\u2029")])
def test_build_rejects_blank_type_or_name(package_type, name):
    raises(ValueError, "package_type and name are required", build_purl, package_type, name)


def test_parse_of_built_purl_gives_back_the_parts():
    rng = random.Random(20240601)
    alphabet = "aB9/@?#:.%-"
    checked = 0
    for _ in range(3000):
        text = "pkg:" + "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 14)))
        try:
            first = parse_purl(text)
        except ValueError:
            continue
        parts = {k: first[k] for k in KEYS[3:6]}
        rebuilt = build_purl(first["type"], first["name"], namespace=first["namespace"], **parts)
        assert parse_purl(rebuilt) == first, text
        checked += 1
    assert checked > 300


# Names and versions whose texts differ in one byte or in length, and more texts than are kept
# parsed, so that they meet at the places they are kept in. "pkg:npm/a@" and 245 to 247 more
# bytes make texts on both sides of the longest one kept.
NAMES = ["a", "b", "\u00e9", "\u00e8", "a\0"]
VERSIONS = ["1.0", "1.1", "1.0 ", "1.", "", "1" * 245, "1" * 246, "1" * 247] + [str(i) for i in range(40)]


def purl_parts(name, version):
    return dict(zip(KEYS, ("npm", None, name, version, None, None, "npm")))


def test_a_purl_parsed_again_gives_its_own_parts_in_a_new_dict_each_time():
    rng = random.Random(11)
    last = {}
    for _ in range(4000):
        name, version = rng.choice(NAMES), rng.choice(VERSIONS)
        text = "".join(["pkg:npm/", name, "@", version])  # a new object, maybe where a freed one was
        for _ in range(rng.randint(1, 3)):
            d = parse_purl(text)
            assert type(d) is dict and list(d) == KEYS and d == purl_parts(name, version), text
            assert d is not last.get(text)
            d["name"] = d.pop("version")  # a caller's change stays in the caller's dict
            last[text] = d


class Reenters:
    """Garbage in a cycle whose finalizer parses purls: collected while parse_purl makes its
    dict, it calls parse_purl again from inside."""

    def __init__(self, state):
        self.cycle, self.state = self, state

    def __del__(self):
        state = self.state
        state.inside += state.in_call
        for name, version in state.rng.sample(state.parts, 3) * 2:
            state.kept.append((name, version, parse_purl(f"pkg:npm/{name}@{version}")))


def test_a_purl_parsed_by_a_finalizer_inside_parse_purl_leaves_every_answer_right():
    class State:
        rng, inside, in_call, kept = random.Random(5), 0, False, []
        parts = [(n, v) for n in NAMES for v in VERSIONS]

    expected = {p: purl_parts(*p) for p in State.parts}  # made here: a dict freed would be reused

    state = State()
    threshold = gc.get_threshold()
    gc.set_threshold(1)  # a collection at nearly every object made
    try:
        held = [{} for _ in range(200)]  # empties the dicts kept for reuse: parse_purl makes one
        for _ in range(1000):
            name, version = state.rng.choice(state.parts)
            Reenters(state)  # collected at the next object made
            for _ in range(2):
                state.in_call = True
                d = parse_purl(f"pkg:npm/{name}@{version}")
                state.in_call = False
                held.append(d)
                assert d == expected[name, version]
    finally:
        gc.set_threshold(*threshold)
    assert state.inside > 100
    assert all(d == expected[name, version] for name, version, d in state.kept)
