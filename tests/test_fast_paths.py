"""Comparisons that take the parse-free road (two texts parsed on the stack), sorting that is
decided by order prefixes, and the scans that replaced library searches: each must give exactly
what the kept parses give."""

import functools
import random

import pytest

import ombrel
from conftest import ECOSYSTEMS, raises, short_id

from ombrel import Version

EXACT = [
    ('compare', ('1+a!2', '1', 'pep440'), "ValueError: invalid PEP 440 epoch: '1+a'"),
    ('compare', ('1.0+a!b', '1', 'pep440'), "ValueError: invalid PEP 440 epoch: '1.0+a'"),
    ('compare', ('1!2.0+loc', '1!2.0', 'pep440'), '1'), ('compare', ('2!1.0', '1!9.0+z', 'pep440'), '1'),
    ('compare', ('v1.0+a.b', '1.0+a.c', 'pep440'), '-1'),
    ('compare', ('18446744073709551615.0.0', '9999999999999999999.0.0', 'semver'), '1'),
    ('compare', ('1.2.3+b-c', '1.2.3', 'semver'), '0'), ('compare', ('1.2.3-a+b-c', '1.2.3-a', 'semver'), '0'),
    ('compare', ('1.2.3-rc.2', '1.2.3-rc.10', 'semver'), '-1'),
    ('compare', ('1.2.3-rc.a-b', '1.2.3-rc.a', 'semver'), '1'), ('compare', (' 1.2.3 ', '1.2.3', 'semver'), '0'),
    ('compare', ('1.2.3x', '1.2.3', 'semver'), "ValueError: invalid patch: '3x'"),
    ('compare', ('0000000000000000000000000000005', '5'), '0'),
    ('compare', ('18446744073709551616', '18446744073709551615'), '0'),
    ('compare', ('99999999999999999999', '18446744073709551615'), '0'),
    ('compare', ('9999999999999999999', '18446744073709551615'), '-1'),
    ('compare', ('1.0-snapshox', '1.0-snapshot'), '1'), ('compare', ('1.0-milestonf', '1.0-milestone'), '1'),
    ('compare', ('1.0-ALPHA', '1.0-alpha'), '0'), ('compare', ('1.0-Milestone', '1.0-RC'), '-1'),
    ('compare', ('1.0-preview', '1.0-previex'), '-1'), ('compare', ('1.00', '1.0', 'debian'), '0'),
    ('compare', ('1.010', '1.01', 'debian'), '1'), ('compare', ('00', '0', 'debian'), '0'),
    ('compare', ('1.0~rc1', '1.0~rc1~1', 'debian'), '1'), ('compare', ('1.2a', '1.2+', 'debian'), '-1'),
    ('compare', ('1.00', '1.0', 'rpm'), '0'), ('compare', ('00', '0', 'rpm'), '0'),
    ('compare', ('1.0a', '1.0', 'rpm'), '1'), ('compare', ('1.0~rc1', '1.0~rc', 'rpm'), '1'),
    ('compare', ('1.0^git1', '1.0^', 'rpm'), '1'), ('compare', ('1.01.a', '1.1.b', 'rpm'), '-1'),
    ('compare', ('1:1.0', '1:1.0-1', 'rpm'), '-1'),
    ('satisfies', ('1.0', '>=1.0 ||| <0.5'),
     "ValueError: invalid comparator: '|'; expected operator (>=, <=, >, <, ==, !=) followed by version"),
    ('satisfies', ('0.1', '<0.5 || '), 'True'), ('satisfies', ('0.1', '||'), 'True'),
    ('satisfies', ('2.0', '>=1.0,<2.0||>=3'), 'False'), ('satisfies', ('1.5', '|| >=1.0'), 'True'),
    ('satisfies', ('x', '>=1.0', 'pep440'), "ValueError: PEP 440 version must start with a digit: 'x'"),
    ('satisfies', ('1.0', '>=x', 'pep440'), "ValueError: PEP 440 version must start with a digit: 'x'"),
]


@pytest.mark.parametrize("fn, args, expected", EXACT, ids=lambda v: repr(v)[:40])
def test_edge_texts_give_the_same_order_or_message_on_every_road(fn, args, expected):
    if expected.startswith("ValueError: "):
        raises(ValueError, expected[len("ValueError: "):], getattr(ombrel, fn), *args)
    else:
        assert repr(getattr(ombrel, fn)(*args)) == expected


ALPHABET = "0123456789.-+~^:!_abcrzvABRCV \u00e9"
SCHEMES = ["generic", "semver", "pep440", "debian", "rpm", "maven", "npm", "go", "composer", "cran"]


def corpus(seed, n):
    """Pairs that often share a prefix, so that comparisons run deep into both texts."""
    rng = random.Random(seed)
    piece = lambda: "".join(rng.choice(ALPHABET) for _ in range(rng.randrange(0, 6)))
    out = []
    for _ in range(n):
        shared = rng.choice(["", "1.2.", "1.2.3-rc.", "2:1.0~", "1!3.0+"]) + piece()
        out.append((shared + piece(), shared + piece()))
    return out


def outcome(fn):
    try:
        return fn()
    except ValueError as e:
        return ("ValueError", e.args)


@pytest.mark.parametrize("ecosystem", SCHEMES)
def test_two_texts_order_as_their_kept_parses_do(ecosystem):
    for a, b in corpus(SCHEMES.index(ecosystem), 400):
        kept_a = outcome(lambda: Version(a, ecosystem))
        kept_b = outcome(lambda: Version(b, ecosystem))
        if isinstance(kept_a, tuple):
            expected = kept_a
        elif isinstance(kept_b, tuple):
            expected = kept_b
        else:
            expected = kept_a.compare(kept_b)
        assert outcome(lambda: ombrel.compare(a, b, ecosystem)) == expected, (a, b)
        assert outcome(lambda: ombrel.lt(a, b, ecosystem)) == (
            expected if isinstance(expected, tuple) else expected < 0), (a, b)


def parsable(ecosystem, texts):
    return [t for t in texts if not isinstance(outcome(lambda: Version(t, ecosystem)), tuple)]


def realistic(rng, n):
    """Version shapes whose order is a strict weak one, with many equal release numbers, so
    that the prefixes often leave the order to the parses."""
    out = []
    for _ in range(n):
        v = f"{rng.randrange(3)}.{rng.randrange(3)}.{rng.randrange(3)}"
        v = rng.choice(["", "1:", "2:"]) + v if rng.random() < 0.1 else v
        out.append(v + rng.choice(["", "-rc.1", "-rc.2", "-1", "-2", "a1", "b2", "-beta", ".post1", "~rc1"]))
    return out


@pytest.mark.parametrize("ecosystem", ["generic", "semver", "pep440", "debian", "rpm", "maven"])
def test_sorting_by_prefixes_agrees_with_pairwise_compare(ecosystem):
    rng = random.Random(7)
    texts = parsable(ecosystem, realistic(rng, 600))
    key = functools.cmp_to_key(functools.partial(ombrel.compare, ecosystem=ecosystem))
    expected = sorted(texts, key=key)
    got = ombrel.sort_versions(texts, ecosystem)
    assert got == expected and all(x is y for x, y in zip(got, expected))
    assert ombrel.max_version(texts, ecosystem) is expected[-1]
    assert ombrel.min_version(texts, ecosystem) is expected[0]


MAVEN_PIECES = ["1", "0", "00", "10", ".", "-", "rc", "a", "b", "m", "ga", "final", "release", "cr", "sp",
                "snapshot", "milestone", "x", "A", "RC", "Beta", "Foo", "+", "\u00e9", " ",
                "999999999999999999", "1000000000000000000", "00000000000000000000001"]


def test_maven_texts_read_on_the_stack_order_as_their_item_trees_do():
    """Texts up to 64 bytes of ASCII are read into a buffer; longer or non-ASCII ones into the tree.
    Two such texts are walked once as far as they agree, so neighbours in byte order are compared too."""
    rng = random.Random(64)
    texts = ["".join(rng.choice(MAVEN_PIECES) for _ in range(rng.randrange(1, 8 if i % 4 else 40)))
             for i in range(1200)]
    texts = parsable("maven", texts + ["1" + ".0" * k + "-rc-1" for k in range(26, 36)])
    kept = [Version(t, "maven") for t in texts]
    by_bytes = sorted(range(len(texts)), key=lambda i: texts[i].lower())
    pairs = [(i, (i * 7 + 1) % len(texts)) for i in range(len(texts))] + list(zip(by_bytes, by_bytes[1:]))
    for i, j in pairs:
        assert ombrel.compare(texts[i], texts[j], "maven") == kept[i].compare(kept[j]), (texts[i], texts[j])


# Each pair is decided where the two texts, read together from the last separator they agree
# on, first differ: by tokens that stay, by one text's end against the other's rest, or by the
# whole runs where a null may yet be trimmed or a list opens; and across the stack's 64 bytes.
@pytest.mark.parametrize(
    "a, b, expected",
    [
        ("1.0.0.1", "1.0.1", -1), ("1.ga.1", "1.0.1", -1), ("1.0.0.final.1", "1.0.1", -1),
        ("1.0.0-1", "1.0.1", -1), ("1.2.x1", "1.2.3", -1), ("1.2-x1", "1.2.x1", 0), ("1-x", "1.x", 0),
        ("1.0-rc", "1.0-RC.0.0-0.ga", 0), ("1.0-rc", "1.0-rc.0.0-0.ga.1", -1), ("1.0-rc", "1.0-rc-alpha", 1),
        ("1.0-rc", "1.0-rc-final-sp", -1), ("1.0-0", "1.0-", 0), ("1.0.-", "1.0-.", 0), ("2-1", "2-1-", 0),
        ("1-FOO1", "1-foo2", -1), ("1-Foo", "1-fOO", 0), ("1-foo", "1-foobar", -1), ("1a1", "1A2", -1),
        ("1.0.MILESTONE1", "1.0.m1", 0), ("1.0.m", "1.0.milestone", 1), ("1.0.RC", "1.0.sp", -1),
        ("1-" + "9" * 19, "1-" + "9" * 18 + "8", 1), ("1-" + "9" * 19, "1-0000" + "9" * 19, 0),
        ("1-" + "9" * 18, "1-1" + "0" * 18, -1), (" 1.0-rc ", "1.0-RC", 0),
        ("1." + "0." * 30 + "1", "1." + "0." * 30 + "1-x", -1), ("1." + "0." * 30 + "01", "1." + "0." * 30 + "0.1", 1),
        ("1.0-\u00e9", "1.0-e", 1), ("1.0-rc1", "1.0-\u00e91", -1),
    ],
    ids=short_id,
)
def test_maven_texts_read_together_order_as_their_trees_do(a, b, expected):
    assert (ombrel.compare(a, b, "maven"), ombrel.compare(b, a, "maven")) == (expected, -expected)
    assert Version(a, "maven").compare(Version(b, "maven")) == expected


@pytest.mark.parametrize("ecosystem", SCHEMES)
def test_versions_order_by_their_texts_as_their_kept_parses_do(ecosystem):
    """A Version keeps its text only; under one ecosystem it orders by it, across two generically."""
    rng = random.Random(SCHEMES.index(ecosystem) + 100)
    kept = [Version(t, ecosystem) for t in parsable(ecosystem, [a for a, _ in corpus(rng.random(), 300)])]
    others = [Version.try_parse(t, rng.choice(SCHEMES)) for t in realistic(rng, len(kept))]
    for v, w, x in zip(kept, kept[1:] + kept[:1], others):
        assert ((v < w), (v == w), (v >= w)) == (v.compare(w) < 0, v.compare(w) == 0, v.compare(w) >= 0)
        if x is not None:
            order = v.compare(x, ecosystem if x.ecosystem == ecosystem else "generic")
            assert ((v < x), (v == x), (v > x)) == (order < 0, order == 0, order > 0), (v, x)


def near_equal(rng, n):
    """Texts that order keys must tell apart or leave open: runs of 0 before low and high tags,
    unlisted tags, numbers past 64 bits and at the one-byte boundaries, epochs, labels and
    pre-releases, drawn from few values so that many are equal or nearly so."""
    nums = ["0", "0", "1", "2", "198", "199", "255", "256", "65536", "18446744073709551615",
            "18446744073709551616", "99999999999999999999999"]
    tails = ["", "a1", "rc1", ".post1", ".dev2", "-alpha", "-final", "-ga.1", "^1", "~rc", ".0.a",
             ".0.post", "-ubuntu1", "-Ubuntu1", "-ubuntux", "+loc.1", "+loc.2", "-rc.1", "-rc.a-b"]
    out = []
    for _ in range(n):
        v = ".".join(rng.choice(nums) for _ in range(rng.randrange(1, 5))) + rng.choice(tails)
        out.append(rng.choice(["", "", "", "1!", "1:", "18446744073709551616!"]) + v)
    return out


@pytest.mark.parametrize("ecosystem", ["generic", "pep440", "semver", "npm", "go", "debian", "ruby",
                                       "cpan", "auto"])
def test_order_keys_decide_each_pair_as_compare_does(ecosystem):
    # A two-element sort compares once, as does the scan for the smaller: each shows what
    # the keys (or the parses they leave it to) decide for that pair, orders that are not
    # transitive included.
    rng = random.Random(11)
    texts = [("v" if ecosystem == "go" else "") + t for t in near_equal(rng, 2000)]
    texts = parsable(ecosystem, texts) if ecosystem != "auto" else texts
    assert len(texts) > 50
    pairs = [(rng.choice(texts), rng.choice(texts)) for _ in range(1500)]
    pairs = [(Version(a, ecosystem) if i % 3 == 0 and ecosystem != "auto" else a, b)
             for i, (a, b) in enumerate(pairs)]
    for a, b in pairs:
        eco = ecosystem if ecosystem != "auto" else outcome(lambda: Version(a).ecosystem)
        if isinstance(eco, tuple):
            continue
        # Under auto the list's first element names the ecosystem.
        got = outcome(lambda: ombrel.sort_versions([a, b], ecosystem))
        assert got == outcome(lambda: ombrel.compare(a, b, eco)) if isinstance(got, tuple) else \
            got[0] is (b if ombrel.compare(b, a, eco) < 0 else a), (a, b)
        if not isinstance(got, tuple):
            assert ombrel.min_version([a, b], ecosystem) is (b if ombrel.compare(a, b, eco) > 0 else a)


@pytest.mark.parametrize("ecosystem", ["generic", "pep440", "semver", "ruby", "auto"])
def test_sorting_many_equal_versions_keeps_input_order(ecosystem):
    rng = random.Random(13)
    texts = [t for t in realistic(rng, 3000) if "~" not in t]
    texts += ["1.0.0-rc.1+b.%d" % i for i in range(50)] + ["1.0.0+b.%d" % i for i in range(50)]
    rng.shuffle(texts)
    # Under auto the first element names the ecosystem of them all.
    eco = Version(texts[0]).ecosystem if ecosystem == "auto" else ecosystem
    texts = parsable(eco, texts)
    expected = sorted(texts, key=functools.cmp_to_key(functools.partial(ombrel.compare, ecosystem=eco)))
    got = ombrel.sort_versions(texts, ecosystem)
    assert all(x is y for x, y in zip(got, expected)) and len(got) == len(expected) > 1000


THREE_PARTS = {"semver", "go", "npm", "crates", "hex", "swift", "dart", "julia", "helm"}


@pytest.mark.parametrize("ecosystem", ECOSYSTEMS)
def test_plain_dotted_releases_order_as_their_parses_do(ecosystem):
    """Two releases of dotted numbers are ordered, and tested against ranges of such bounds, by
    scans of their texts; `>=` and `<=` on a candidate that is not plain give each pair's order
    the long way. Parts run to 18 digits,
    past where some ecosystems read numbers their own way (Nix's 32-bit ints, CPAN's decimals,
    Composer's dates); an appended "0" makes leading zeros and longer parts."""
    rng = random.Random(ECOSYSTEMS.index(ecosystem))
    part = lambda: rng.choice(["0", "0", "1", "2", "10", "100000", str(rng.randrange(10 ** rng.randrange(1, 19)))])
    def text():
        n = 3 if ecosystem in THREE_PARTS else rng.randrange(1, 7)
        return ("v" if ecosystem == "go" else "") + ".".join(part() for _ in range(n))
    for _ in range(600):
        a = text()
        b = rng.choice([text(), a, a + ".0", a + ".1", a + "0"])
        got = outcome(lambda: ombrel.compare(a, b, ecosystem))
        rejected = outcome(lambda: Version(b, ecosystem))
        if isinstance(rejected, tuple):
            assert got == rejected, (a, b)
            continue
        # A leading space, which every ecosystem trims, sends the candidate through its parse.
        by_range = [(ombrel.satisfies(c, ">=" + b, ecosystem), ombrel.satisfies(c, "<=" + b, ecosystem))
                    for c in (" " + a, a)]
        assert got == {(True, True): 0, (False, True): -1, (True, False): 1}[by_range[0]], (a, b)
        assert by_range[1] == by_range[0], (a, b)
        assert type(Version(a, ecosystem)) is Version


SHORT_NUMS = ["1", "2", "9", "198", "199", "255"]  # a key's one-byte numbers end at 198
LONG_NUMS = SHORT_NUMS + ["0", "256", "65536", "4294967296", "18446744073709551615"]
TAILS = ["", "", "", "a1", "rc2", ".post1", ".dev3", "-rc.1", "-1", "~rc1", "_p1"]


@pytest.mark.parametrize("ecosystem", ECOSYSTEMS)
def test_long_lists_sort_as_pairwise_compare_does(ecosystem):
    """From 256 elements on, a list whose order keys decide every pair is sorted by the keys'
    bytes alone; one short of that, or with a key that leaves a pair open, the long way. Numbers
    at the edges of the keys' one-byte codes and of 64 bits, and many equal versions, in orders
    that are total (every Arch version has a pkgrel, as one without equals each of them)."""
    rng = random.Random(ECOSYSTEMS.index(ecosystem) + 300)
    key = functools.cmp_to_key(functools.partial(ombrel.compare, ecosystem=ecosystem))
    for nums, tails, n in ((SHORT_NUMS, TAILS, 255), (SHORT_NUMS, TAILS, 1500),
                           (LONG_NUMS, TAILS + ["-beta.2", "+build.5"], 1500)):
        texts = parsable(ecosystem, [
            ("v" if ecosystem == "go" else "") + ".".join(rng.choice(nums) for _ in range(3))
            + rng.choice(tails) + ("-1" if ecosystem == "arch" else "") for _ in range(n)])
        expected = sorted(texts, key=key)
        got = ombrel.sort_versions(texts, ecosystem)
        assert len(got) == len(expected) and all(x is y for x, y in zip(got, expected)), (len(nums), n)
        if texts:
            assert ombrel.max_version(texts, ecosystem) is expected[-1]
