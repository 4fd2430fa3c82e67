import random

import pytest
from conftest import comparator_error, outcome, raises, unsupported

from ombrel import build_vers, range_contains, vers_canonical, vers_contains


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
        ("vers:generic/>=1|2", "1.5", True), ("vers:generic/<1||>2", "1.5", False),  # "||" stays the dialect's
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
        ("vers:generic/1,2", "1.0.0", comparator_error("1")), ("vers:generic/=1.x", "1", "invalid x-range: '=1.x'"),
        # comparison errors: the candidate is parsed first, then the bound
        ("vers:npm/>=1.0", "1.5.0", "Expected 3 parts, got 2"),
        ("vers:npm/^1.2", "garbage", "Expected 3 parts, got 1"),
        # the standard's texts: the type, then every bound, then the candidate
        ("vers:pypii/1.0", "1.0", unsupported("pypii")), ("vers:npm/>=1.0|<2.0.0", "1.5.0", "Expected 3 parts, got 2"),
        ("vers:npm/>=1.0.0|<2.0.0", "garbage", "Expected 3 parts, got 1"),
        ("vers:golang/>=1.0.0|<2.0.0", "v1.5.0", "Go version must start with a lowercase 'v' prefix: '1.0.0'"),
    ],
)
def test_contains_raises_parse_and_comparison_messages(vers, version, message):
    raises(ValueError, message, vers_contains, vers, version)


def test_built_specifier_reads_back_as_the_same_range():
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


# ---- the standard's texts ----

TOMEE = "vers:maven/>=1.0.0-beta1|<=1.7.5|>=7.0.0-M1|<=7.0.7|>=7.1.0|<=7.1.2|>=8.0.0-M1|<=8.0.1"


@pytest.mark.parametrize(
    "vers, inside, outside",
    [
        # the standard's own examples
        ("vers:npm/1.2.3", ["1.2.3"], ["1.2.2", "1.2.4", "1.2.3-rc.1"]),
        ("vers:npm/>=1.0.0|<2.0.0", ["1.0.0", "1.5.0"], ["0.9.9", "2.0.0", "3.0.0"]),
        ("vers:gem/>=2.2.0|!=2.2.1|<2.3.0", ["2.2.0", "2.2.2"], ["2.2.1", "2.3.0", "3.0", "2.1.9"]),
        (TOMEE, ["1.0.0-beta1", "1.7.5", "7.0.0", "7.1.1", "8.0.1"], ["1.7.6", "7.0.8", "7.1.3", "8.0.2", "0.9"]),
        ("vers:pypi/0.0.0|0.0.1|0.0.2|0.0.3|1.0|2.0pre1", ["0.0.1", "1.0.0", "2.0rc1"], ["0.0.4", "1.1", "2.0"]),
        # sound at the ends: a lone signpost, and "!=" alone
        ("vers:pypi/>0.0.2", ["0.0.3", "9"], ["0.0.2", "0.0.1"]),
        ("vers:pypi/<=0.0.2", ["0.0.2", "0.0.1"], ["0.0.3"]),
        ("vers:npm/!=1.5.0", ["1.4.0", "1.6.0"], ["1.5.0"]), ("vers:npm/!=1.5.0|!=1.6.0", ["2.0.0"], ["1.6.0"]),
        # (out of order, and signposts that do not alternate: drawn at random below)
        # which reading: one plain version, "=" and one, a "%" escape are standard
        ("vers:generic/1.2.3", ["1.2.3"], ["1.2.4"]), ("vers:generic/=1.0~rc1^2", ["1.0~rc1^2"], ["1.0"]),
        ("vers:generic/1.0%7Edeb", ["1.0~deb"], ["1.0"]), ("vers:generic/>=1.0%7Edeb", ["1.0~deb", "1.0"], ["0.9"]),
        ("vers:generic/1.x", ["1.5"], ["2.0"]), ("vers:generic/^1.2", ["1.5"], ["2.0"]),  # the dialect's
        # types: purl types, the standard's own, the library's names, "all" and "none"
        ("vers:golang/>=v1.2.0|<v2.0.0", ["v1.5.0"], ["v2.0.0"]), ("vers:cargo/>=1.2.0|<2.0.0", ["1.2.0"], ["2.0.0"]),
        ("vers:deb/>=1.0~rc1|<1.0", ["1.0~rc2"], ["1.0"]), ("vers:alpm/>=1:1.0|<1:2.0", ["1:1.5"], ["2.0"]),
        ("vers:ebuild/>=1.0|<2.0", ["1.5"], ["2.0"]), ("vers:oci/>=1.0|<2.0", ["1.5"], ["2.0"]),
        ("vers:PyPI/>=1.0|<2.0", ["1.5"], ["2.0"]), ("vers:python/>=1.0|<2.0", ["1.5"], ["2.0"]),
        ("vers:all/*", ["not a version", ""], []), ("vers:none/*", [], ["not a version", "1.0"]),
    ],
)
def test_standard_text_holds_its_versions(vers, inside, outside):
    assert [vers_contains(vers, v) for v in inside + outside] == [True] * len(inside) + [False] * len(outside)


def invalid(vers, what):
    return f"invalid VERS '{vers}'; {what}"


@pytest.mark.parametrize(
    "vers, message",
    [
        ("vers:npm/>=1.0.0 |<2.0.0", "white space is not allowed"), ("vers:npm/>=1.0.0|<2.0.0\u3000", "white space is not allowed"),
        ("vers:npm/|1.0.0", "empty constraint"), ("vers:npm/1.0.0|", "empty constraint"),
        ("vers:npm/1.0.0||2.0.0|3.0.0", "empty constraint"),
        ("vers:npm/*|1.0.0", "'*' must be the only constraint"), ("vers:npm/1.0.0|*", "'*' must be the only constraint"),
        ("vers:npm/>=|<2.0.0", "missing version in constraint '>='"), ("vers:npm/1.0.0|!=", "missing version in constraint '!='"),
        ("vers:npm/==1.0.0|<2.0.0", "invalid comparator in constraint '==1.0.0'"),
        ("vers:npm/=>1.0.0|<2.0.0", "invalid comparator in constraint '=>1.0.0'"),
        ("vers:generic/1%zz|2", "invalid percent escape '%zz'"), ("vers:generic/1%2", "invalid percent escape '%2'"),
        ("vers:generic/1%", "invalid percent escape '%'"),
        ("vers:generic/1%2a", "non-canonical percent escape '%2a'; hexadecimal digits are upper case"),
        ("vers:generic/1%C3|2", "percent escapes of '1%C3' do not decode to UTF-8"),
        ("vers:generic/%C0%AE", "percent escapes of '%C0%AE' do not decode to UTF-8"),
        ("vers:generic/1.0|<2|1.0.0", "constraints '1.0' and '1.0.0' name the same version"),
        ("vers:generic/>=1|<1", "constraints '>=1' and '<1' name the same version"),
        ("vers:all/>=1.0", "type 'all' takes only '*'"), ("vers:NONE/", "type 'none' takes only '*'"),
    ],
)
def test_invalid_standard_text_is_refused_with_what_is_wrong(vers, message):
    raises(ValueError, invalid(vers, message), vers_contains, vers, "1.0")
    raises(ValueError, invalid(vers, message), vers_canonical, vers)


# ---- canonical texts ----


@pytest.mark.parametrize(
    "vers, expected",
    [
        ("vers:npm/^1.2 || ~0.9", "vers:npm/>=0.9.0|<0.10.0|>=1.2.0|<2.0.0"),
        # every kind of shorthand of the dialect (their bounds: test_ranges)
        ("vers:generic/^1.2.3", ">=1.2.3|<2.0.0"), ("vers:generic/~>1.2.3", ">=1.2.3|<1.3.0"),
        ("vers:generic/1.2.x", ">=1.2.0|<1.3.0"), ("vers:generic/[1.0,2.0)", ">=1.0|<2.0"),
        ("vers:generic/(1.0,2.0]", ">1.0|<=2.0"), ("vers:generic/(,2.0]", "<=2.0"), ("vers:generic/[1.0,)", ">=1.0"),
        ("vers:generic/*", "*"), ("vers:generic/", "*"), ("vers:generic/X || ^1", "*"),
        ("vers:generic/==1.0", "1.0"), ("vers:generic/!=1.5", "!=1.5"), ("vers:generic/>= 1.0 <= 1.0", "1.0"),
        # sets: merged, emptied, holes
        ("vers:generic/^1 || ^2", ">=1.0.0|<3.0.0"), ("vers:generic/>=1 <2 || >=2 <3", ">=1|<3"),
        ("vers:generic/>=1 <2 || >2 <3", ">=1|!=2|<3"), ("vers:generic/>1,<1 || >=2", ">=2"),
        ("vers:generic/>2,<1", "vers:none/*"), ("vers:generic/==1 ==2", "vers:none/*"),
        ("vers:generic/<1.0 || >1.0", "!=1.0"), ("vers:generic/<1 || >=1", "*"),
        ("vers:generic/>=1.0,!=1.0,<2", ">1.0|<2"), ("vers:generic/!=2 !=1 !=2.0 <3", "!=1|!=2|<3"),
        ("vers:generic/==2 || ==1 || ==1.0", "1|2"), ("vers:generic/!=5 >=1 <2", ">=1|<2"),
        ("vers:generic/>=2 >=1 <=3 <4", ">=2|<=3"), ("vers:generic/>=1 ==1.5", "1.5"),
        # standard texts: ordered, simplified, escaped, typed after the standard
        ("vers:pep440/2.0|1.0|<0.5", "vers:pypi/<0.5|1.0|2.0"), ("vers:generic/>=1|>=2|<3|<4", ">=1|<4"),
        ("vers:debian/>=1.0~rc1", "vers:deb/>=1.0~rc1"), ("vers:arch/1:1.0-1", "vers:alpm/1:1.0-1"),
        ("vers:ruby/>=1.0|!=1.5|<2.0", "vers:gem/>=1.0|!=1.5|<2.0"), ("vers:go/v1.0.0", "vers:golang/v1.0.0"),
        ("vers:crates/1.0.0", "vers:cargo/1.0.0"), ("vers:alpine/1.0", "vers:apk/1.0"),
        ("vers:gentoo/1.0", "vers:ebuild/1.0"), ("vers:dart/1.0.0", "vers:pub/1.0.0"), ("vers:docker/1.0", "vers:oci/1.0"),
        ("vers:julia/1.0.0", "vers:julia/1.0.0"), ("vers:pkg/1.0.0", "vers:julia/1.0.0"),  # a library alias first
        ("vers:generic/1.0%3C%3E%3D%21%2A%7C%25", "1.0%3C%3E%3D%21%2A%7C%25"),
        ("vers:generic/%7E1%2C%28%5B%5D%29|x.%58", "%7E1%2C%28%5B%5D%29|%78.%58"),
        ("vers:generic/1%E3%80%80", "1%E3%80%80"), ("vers:generic/%C3%A9", "\u00e9"),
        ("vers:all/*", "vers:all/*"), ("vers:none/*", "vers:none/*"), ("vers:npm/*", "*"),
    ],
)
def test_canonical_text_holds_the_same_versions_in_one_form(vers, expected):
    out = vers_canonical(vers)
    if not expected.startswith("vers:"):
        expected = vers[: vers.index("/") + 1] + expected
    assert type(out) is str and out == expected
    assert vers_canonical(out) == out


def test_canonical_text_parses_every_bound():
    raises(ValueError, "Expected 3 parts, got 2", vers_canonical, "vers:npm/^1.0.0 || >=1.0")
    assert vers_contains("vers:npm/^1.0.0 || >=1.0", "1.5.0") is True  # evaluation stops earlier


def around(bound):
    """Versions next to a bound: itself, just above and below it in most orderings."""
    out = [bound, bound + ".1", bound + ".0", bound + "-1", bound + "a1", bound + "~1"]
    head, _, last = bound.rpartition(".")
    if last.isdigit() and int(last) > 0:
        out.append(f"{head}.{int(last) - 1}" if head else str(int(last) - 1))
    return out


def bounds(canonical):
    from urllib.parse import unquote

    text = canonical[canonical.index("/") + 1:]
    return [unquote(c.lstrip("<>=!")) for c in text.split("|") if c != "*"]


@pytest.mark.parametrize(
    "vers",
    [
        TOMEE, "vers:gem/>=2.2.0|!=2.2.1|<2.3.0", "vers:pypi/0.0.0|0.0.1|0.0.2|1.0|2.0pre1", "vers:pypi/>0.0.2",
        "vers:npm/^1.2.3 || ~0.9.1 || >=3.0.0 <3.1.0 !=3.0.5", "vers:debian/>=1.0~rc1,<1.0 || ==2:0.1",
        "vers:rpm/>=1.0-1 <1.0-2 || >1.1", "vers:maven/[1.0,2.0) || (2.0,3.0-SNAPSHOT]",
        "vers:pep440/~=1.4.2 || ==2.0 || >3 !=3.5", "vers:generic/<1|>=2|<3|=5|>6|!=7|!=2.5",
    ],
)
def test_canonical_text_agrees_with_the_original_around_every_bound(vers):
    canonical = vers_canonical(vers)
    for bound in bounds(canonical):
        for x in around(bound):
            want = outcome(vers_contains, vers, x)
            if type(want) is bool:
                assert vers_contains(canonical, x) is want, (canonical, x)


def random_dialect(rng, semver):
    def version():
        n = 3 if semver else rng.randrange(1, 4)
        v = ".".join(str(rng.randrange(4)) for _ in range(n))
        return v + rng.choice(["", "", "", "-rc.1" if semver else "rc1"])

    def token():
        kind = rng.randrange(8)
        if kind < 3:
            return rng.choice([">=", ">", "<", "<=", "==", "!="]) + version()
        return [lambda: "^" + version(), lambda: "~" + version(), lambda: rng.choice(["1.x", "0.*", "2.X", "*"]),
                lambda: f"[{version()},{version()})", lambda: f"({version()},]"][kind - 3]()

    return " || ".join(" ".join(token() for _ in range(rng.randrange(1, 4))) for _ in range(rng.randrange(1, 4)))


@pytest.mark.parametrize("ecosystem", ["generic", "npm", "pep440", "debian", "rpm", "maven", "ruby"])
def test_canonical_text_of_random_ranges_holds_what_they_hold(ecosystem):
    rng = random.Random(15)
    semver = ecosystem == "npm"
    probes = [random_dialect(rng, semver).split()[0].lstrip("<>=!^~[(").rstrip(",") for _ in range(60)]
    probes = [p for p in probes if p[:1].isdigit() and "," not in p]
    checked = 0
    for _ in range(300):
        vers = f"vers:{ecosystem}/{random_dialect(rng, semver)}"
        canonical = outcome(vers_canonical, vers)
        if type(canonical) is not str:
            continue
        for x in rng.sample(probes, 8):
            want = outcome(vers_contains, vers, x)
            if type(want) is bool:
                assert vers_contains(canonical, x) is want, (vers, canonical, x)
                checked += 1
    assert checked > 1000


def standard_model(constraints, x):
    """The standard's containment over integer versions, after its simplification, sound at the ends."""
    cs = sorted(constraints, key=lambda c: c[1])
    unequal = [v for op, v in cs if op == "!="]
    rest = [(op, v) for op, v in cs if op != "!="]
    kept = []
    for op, v in rest:
        if kept and kept[-1][0] in (">", ">=") and op in ("=", ">", ">="):
            continue
        while op in ("<", "<=") and kept and kept[-1][0] in ("=", "<", "<="):
            kept.pop()
        kept.append((op, v))
    if any(op in ("=", "<=", ">=") and v == x for op, v in kept):
        return True
    if x in unequal:
        return False
    signs = [(op, v) for op, v in kept if op != "="]
    if not signs:
        return bool(unequal)
    if signs[0][0] in ("<", "<=") and x < signs[0][1] or signs[-1][0] in (">", ">=") and x > signs[-1][1]:
        return True
    return any(a[0] in (">", ">=") and b[0] in ("<", "<=") and a[1] < x < b[1] for a, b in zip(signs, signs[1:]))


def test_random_standard_texts_hold_what_the_standard_says():
    rng = random.Random(1515)
    for _ in range(400):
        versions = rng.sample(range(1, 20), rng.randrange(1, 7))
        constraints = [(rng.choice(["", "=", "!=", "<", "<=", ">", ">="]), v) for v in versions]
        vers = "vers:generic/" + "|".join(f"{op}{v}" for op, v in constraints)
        normal = [(op or "=", v) for op, v in constraints]
        got = [vers_contains(vers, str(x)) for x in range(21)]
        assert got == [standard_model(normal, x) for x in range(21)], vers
