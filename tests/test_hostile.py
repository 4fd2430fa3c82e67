"""Hostile input: huge texts, deep nesting, huge counts, 64-bit edges and concurrent callers.
Each gets a value or a documented exception, in linear time."""

import contextlib

import pytest
from conftest import U64, comparator_error, raises, short_id, within, wrong_in_threads

import ombrel
from ombrel import Version

MB = 1 << 20
# Generous, for loaded machines: a pass over 10 MB takes a few seconds at most; anything
# quadratic takes hours.
BUDGET = 60.0


def timed(fn, *args):
    with within(BUDGET):
        return fn(*args)


HUGE_VERSIONS = {
    "dotted numbers": "1." * (5 * MB), "one digit run": "9" * (10 * MB), "leading zeros": "0" * (10 * MB) + "1",
    "one letter run": "a" * (10 * MB), "alternating": "1a" * (5 * MB), "separators": "-" * (10 * MB),
    "dots": "." * (10 * MB), "tildes": "~" * (10 * MB), "carets": "^" * (10 * MB),
    "white space": " \u3000" * (2 * MB), "non-ASCII": "\u00e9" * (5 * MB),
    "final sigmas": "1-" + "\u0391\u03a3'" * MB,  # each needs a look past the case-ignorable
}


@pytest.mark.parametrize("text", HUGE_VERSIONS.values(), ids=HUGE_VERSIONS.keys())
@pytest.mark.parametrize("ecosystem", ["generic", "pep440", "semver", "debian", "rpm", "maven", "auto"])
def test_ten_megabyte_versions_compare_or_fail_in_linear_time(text, ecosystem):
    try:
        assert timed(ombrel.compare, text, text + "1", ecosystem) in (-1, 0, 1)
    except ValueError as e:
        assert len(e.args[0]) < 2 * len(text) + 200  # the message quotes the text at most once


@pytest.mark.parametrize("text", [HUGE_VERSIONS["dotted numbers"], HUGE_VERSIONS["alternating"]], ids=short_id)
def test_ten_megabyte_version_objects_build_hash_and_sort_key(text):
    v = timed(Version, text, "generic")
    assert len(v) == len(text) // 2 * (2 if text[1] == "a" else 1)
    assert isinstance(timed(hash, v), int)
    assert len(timed(v.sort_key)) > 1


ALTERNATIVES = " || ".join(["<0.1"] * 100_000 + [">=5"])
COMPARATORS = ">=1.0 " * (10 * MB // 6)


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        (ombrel.satisfies, ("1.5", COMPARATORS), True), (ombrel.satisfies, ("0.5", COMPARATORS), False),
        (ombrel.ranges_intersect, (COMPARATORS, "<2"), True),
        (ombrel.satisfies, ("7", ALTERNATIVES), True), (ombrel.satisfies, ("3", ALTERNATIVES), False),
        (ombrel.ranges_intersect, (ALTERNATIVES, "^6"), True), (ombrel.ranges_intersect, ("^3", ALTERNATIVES), False),
        (ombrel.ranges_intersect, ("||".join(["<1"] * 100_000), ">=2"), False),
        (ombrel.ranges_intersect, (">=2", "||".join(["<1"] * 100_000 + ["==3"])), True),
        (ombrel.satisfies, ("1.5", " ," * (5 * MB)), True),
        (ombrel.satisfies, ("1.1.5", "1." * (5 * MB) + "x"), True),  # only three components are read
        (ombrel.vers_contains, ("vers:npm/" + ALTERNATIVES.replace("0.1", "0.1.0").replace(">=5", ">=5.0.0"),
                                "7.0.0"), True),
        (ombrel.vers_contains, ("vers:npm/" + ">=1.0.0 " * (10 * MB // 8), "1.5.0"), True),
        (ombrel.build_vers, ("npm", ">=1.0.0 " * (10 * MB // 8)), "vers:npm/" + (">=1.0.0 " * (10 * MB // 8))[:-1]),
        # brackets nested a hundred thousand deep: the bounds are the bracketed texts
        (ombrel.satisfies, ("1.5", "[" * 100_000 + "1.0,2.0" + ")" * 100_000), True),
        (ombrel.satisfies, ("1.5", "(" * 100_000 + "1, 2" + "]" * 100_000), True),
        (ombrel.satisfies, ("1.0", "[" * 100_000 + "," + "]" * 100_000), False),  # bounds without segments: zero
        (ombrel.satisfies, ("1.0", "(" * 100_000), ValueError),
        (ombrel.satisfies, ("1.0", "[" * 100_000 + " , , " + "]" * 100_000), ValueError),
        (ombrel.satisfies, ("1.0", ")" * (10 * MB)), ValueError),
        # purls
        (ombrel.parse_purl, ("pkg:npm/" + "a/" * (5 * MB) + "x@1",), (("a/" * (5 * MB))[:-1], "x", "1")),
        (ombrel.parse_purl, ("pkg:npm/a" + "/" * (10 * MB) + "b",), ("a", "b", None)),
        (ombrel.parse_purl, ("pkg:npm/" + "a//" * (3 * MB) + "x",), ("a" + "/a" * (3 * MB - 1), "x", None)),
        (ombrel.parse_purl, ("pkg:npm/x?" + "#" * (10 * MB),), (None, "x", None)),
        (ombrel.parse_purl, ("pkg:npm/" + "@" * (10 * MB),), (None, "@" * (10 * MB - 1), "")),
        (ombrel.parse_purl, ("pkg:npm/x@" + "@" * (10 * MB),), (None, "x@" + "@" * (10 * MB - 1), "")),
        (ombrel.purl_ecosystem, ("pkg:" + "N" * (10 * MB) + "/x",), None),
    ],
    ids=short_id,
)
def test_huge_ranges_specifiers_and_purls_complete_in_linear_time(fn, args, expected):
    if expected is ValueError:
        with pytest.raises(ValueError):
            timed(fn, *args)
    elif fn is ombrel.parse_purl:
        d = timed(fn, *args)
        assert (d["namespace"], d["name"], d["version"]) == expected
    else:
        assert timed(fn, *args) == expected


@pytest.mark.parametrize(
    "call, text, message",
    [
        (lambda t: ombrel.satisfies("1.0", t), "^" + "9" * (10 * MB), "invalid caret range: '{}'"),
        (lambda t: ombrel.satisfies("1.0", t), "(" * 100_000 + " 1", comparator_error("{}")),
        (ombrel.parse_purl, "pkg:npm/" + "/" * (10 * MB), "invalid purl '{}'; missing package name"),
        (lambda t: ombrel.vers_contains(t, "1.0"), "vers:" + "n" * (10 * MB),
         "invalid VERS '{}'; expected 'vers:<ecosystem>/<range>'"),
    ],
    ids=short_id,
)
def test_huge_invalid_texts_are_quoted_once_in_the_message(call, text, message):
    raises(ValueError, message.format(text), timed, call, text)


def spans_text(n, order=1):
    return "|".join(f">={i}|<{i}.5" for i in range(n)[::order])


@pytest.mark.parametrize(
    "vers, version, expected",
    [
        ("vers:generic/" + spans_text(100_000), "99999.4", True),
        ("vers:generic/" + spans_text(100_000, -1), "5000.7", False),  # ordered first
        ("vers:generic/" + "|".join(f"!={i}" for i in range(100_000, 0, -1)), "5000", False),
        ("vers:generic/" + "|".join(f">={i}" for i in range(100_000)) + "|<0.5", "7", True),
        ("vers:generic/" + "%41" * (3 * MB), "a" * (3 * MB), True),
        ("vers:generic/" + "|".join(f">={i}.0-{'a' * 40}|<{i}.0-{'b' * 40}" for i in range(MB // 10)),
         f"7.0-{'a' * 41}", True),  # 10 MB
    ],
    ids=short_id,
)
def test_hundred_thousand_standard_constraints_in_linear_time(vers, version, expected):
    assert timed(ombrel.vers_contains, vers, version) is expected
    assert timed(ombrel.vers_canonical, vers).startswith("vers:generic/")


@pytest.mark.parametrize(
    "vers, message",
    [
        ("1|" * (5 * MB), "empty constraint"), ("1|" * (5 * MB) + " ", "white space is not allowed"),
        ("1|" * (5 * MB) + "%C3", "percent escapes of '%C3' do not decode to UTF-8"),
        ("%" * (10 * MB), "invalid percent escape '%%%'"),
        ("1|" * 100_000 + "1.0", "constraints '1' and '1' name the same version"),
    ],
    ids=short_id,
)
def test_ten_megabyte_standard_texts_fail_in_linear_time(vers, message):
    with pytest.raises(ValueError) as e:
        timed(ombrel.vers_contains, "vers:generic/" + vers, "1")
    assert e.value.args[0].endswith(message)


@pytest.mark.parametrize(
    "fn, args, expected",
    [
        # (generic, semver, Debian's and RPM's numbers at the edge: in their own files)
        (ombrel.compare, ("1:0", f"{U64 + 1}:0"), 1),  # too large for an epoch: a number
        (ombrel.compare, (f"{U64}:0", f"{U64 - 1}:9"), 1),
        (ombrel.compare, (f"1.{U64}", f"1.{U64 + 1}", "maven"), -1),  # Maven numbers are unbounded
        (ombrel.satisfies, (f"{U64}.0.0", f"^{U64}", "maven"), True),  # bound {U64+1}.0.0 is exact
        (ombrel.satisfies, (f"{U64}.5", f"~{U64}.{U64}", "maven"), False),
        (ombrel.satisfies, (f"2.{U64}", f"2.{U64}.x", "maven"), True),
        (ombrel.ranges_intersect, (f"^{U64}", f">{U64}.9", "maven"), True),
        (ombrel.satisfies, ("1.0.0", f"{U64 + 1}.x"), f"invalid x-range: '{U64 + 1}.x'"),
    ],
)
def test_64_bit_boundaries(fn, args, expected):
    if isinstance(expected, str) and expected.startswith("invalid"):
        raises(ValueError, expected, fn, *args)
    else:
        assert fn(*args) == expected


def test_calls_from_several_threads_agree_with_one_thread():
    versions = [f"{i % 7}.{i % 5}.{i % 3}-rc.{i % 2}" for i in range(300)]
    calls = [
        (ombrel.sort_versions, (versions, "semver")), (lambda: [Version(v, "semver") for v in versions[:50]], ()),
        (lambda: [hash(Version(v, "rpm")) for v in versions[:50]], ()),
        (lambda: [ombrel.satisfies(v, "^2 || ~4.1", "npm") for v in versions], ()),
        (ombrel.osv_affected, ("2.0.0", {"package": {"ecosystem": "npm"},
                                         "ranges": [{"events": [{"introduced": "1.0.0"}]}]})),
        (ombrel.parse_purl, ("pkg:maven/g/a@1.0?x=y#p",)), (ombrel.ranges_intersect, ("^1 || ^3", "^3.1", "npm")),
    ]
    assert wrong_in_threads(calls, 8, 6) == []


@pytest.mark.parametrize(
    "ecosystem, piece, sep, version, answer",
    [
        ("ruby", ">= 1.0", ", ", "1.5", True),
        ("terraform", ">= 1.0", ",", "0.5", False),
        ("crates", "^1.2", ",", "1.5.0", True),
        ("hex", ">= 1.0.0", " and ", "0.5.0", False),
        ("dart", ">=1.0.0", " ", "1.5.0", True),
        ("cpan", ">= v1.0", " ,\t", "1.5", True),
    ],
)
def test_ten_megabyte_native_constraints(ecosystem, piece, sep, version, answer):
    text = sep.join([piece] * (10 * MB // (len(piece) + len(sep))))
    assert timed(ombrel.native_satisfies, version, text, ecosystem) is answer
    with pytest.raises(ValueError):
        timed(ombrel.native_satisfies, version, text + "x" + "(" * MB, ecosystem)


@pytest.mark.parametrize("ecosystem, alternative, sep, last", [("julia", "< 0.1", ", ", "5"),
                                                              ("hex", "< 0.1.0", " or ", "5.0.0")])
def test_hundred_thousand_native_alternatives(ecosystem, alternative, sep, last):
    text = sep.join([alternative] * 100_000 + [last])
    assert timed(ombrel.native_satisfies, "5.1.0", text, ecosystem) is (ecosystem == "julia")
    assert timed(ombrel.vers_from_native, ecosystem, text).startswith(f"vers:{ecosystem}/<0.1.0|")


# (ecosystem, version, constraint, answer): the answer, or the VERS text of a constraint the version
# meets; the message, {0} being the constraint, {1} it past its operator, {2} inside its brackets;
# or None for an answer or any ValueError. Constraints are built when their case runs.
NATIVE = [
    ("npm", "1.5.0", lambda: ">=1.0.0 " * 1_250_000, "vers:npm/>=1.0.0"),  # one comparator kept
    ("npm", "1.5.0", lambda: " || ".join(f"^1.{i}" for i in range(100_000)), "vers:npm/>=1.0.0|<2.0.0"),
    ("npm", "1.5.0", lambda: " " * 10_000_000, "vers:npm/*"),
    ("npm", "1.5.0", lambda: "(" * 10_000_000, "invalid npm range '{0}'; version longer than 256 characters in '{0}'"),
    ("npm", "1.5.0", lambda: "v" * 10_000_000, "invalid npm range '{0}'; version longer than 256 characters in '{0}'"),
    ("pep440", "1.5.0", lambda: ",".join(f"!=1.{i}" for i in range(100_000)), False),
    ("pep440", "1.5.0", lambda: ">=" + "1." * 5_000_000 + "0", True),
    ("helm", "1.5.0", lambda: ">=1.0.0 " * 1_250_000, "vers:helm/>=1.0.0"),
    ("helm", "1.5.0", lambda: " || ".join(f"^1.{i}" for i in range(100_000)), "vers:helm/>=1.0.0|<2.0.0"),
    # one long word before a dash, tried from every number
    ("helm", "1.5.0", lambda: "1-" * 5_000_000 + "1.. - 2", "invalid Helm constraint '{0}'; improper constraint '{0}'"),
    ("helm", "1.5.0", lambda: "1 - " * 2_500_000, None),
    ("helm", "1.5.0", lambda: "(" * 10_000_000, "invalid Helm constraint '{0}'; improper constraint '{0}'"),
    ("conda", "1.5", lambda: ">=1.0," * 1_700_000 + "<2", "vers:conda/>=1.0|<2"),
    ("conda", "1.5", lambda: "|".join(f"1.{i}" for i in range(100_000)), True),
    ("conda", "1.5", lambda: "(1|2)," * 100_000 + "3",  # lists multiply until the budget refuses
     "invalid Conda constraint '{0}'; too many alternatives once expanded"),
    ("conda", "1.5", lambda: "(" * 1000 + "1" + ")" * 1000, "vers:conda/>=1|<2"),
    ("conda", "1.5", lambda: "1" * 10_000_000, False),
    ("composer", "7.5", lambda: " || ".join(f"^{i}.0" for i in range(100_000)), True),
    ("composer", "1.5", lambda: ",".join([">=1.0"] * 100_000), "vers:composer/>=1.0.0.0-dev"),
    ("composer", "1.5", lambda: "1.0" + " " * 10**7 + "|| 1.5", "vers:composer/1.0.0.0|1.5.0.0"),
    ("composer", "1.0", lambda: "1." + "1" * 10**7 + " -",
     "invalid Composer constraint '{0}'; invalid version string '{0}'"),
    ("composer", "1.0", lambda: "(" * 10**6, "invalid Composer constraint '{0}'; invalid version string '{0}'"),
    ("maven", "7.2", lambda: ",".join(f"[{i},{i}.5]" for i in range(100_000)), True),
    ("maven", "7.7", lambda: ",".join(f"[{i},{i}.5]" for i in range(100_000)), False),
    ("maven", "1", lambda: "1" + "[" * 10_000_000, "vers:maven/*"),  # a recommendation, every version
    ("maven", "1", lambda: "(" * 1000, "invalid Maven range '{0}'; a range is not closed"),
    ("nuget", "1.0", lambda: "[1." + "0" * 10**7,
     "invalid NuGet range '{0}'; a range in brackets ends with ']' or ')'"),
    ("nuget", "1.0", lambda: "[" * 10**6 + "]", "invalid NuGet range '{0}'; invalid version '{2}'"),
    ("nuget", "1.0", lambda: "[" + ",".join(["1.0"] * 100_000) + "]",
     "invalid NuGet range '{0}'; more than two bounds"),
    ("alpine", "1" * 1_000_000, lambda: ">=" + "1" * 5_000_000, False),
    ("gentoo", "1" * 1_000_000, lambda: ">=" + "1" * 5_000_000, False),
    ("alpine", "1", lambda: ">=1" + "." * 10_000_000, "invalid apk dependency '{0}'; invalid Alpine version '{1}'"),
    ("gentoo", "1", lambda: ">=1" + "." * 10_000_000, "invalid Gentoo constraint '{0}'; invalid Gentoo version '{1}'"),
    ("alpine", "1", lambda: "a" * 10_000_000,
     "invalid apk dependency '{0}'; expected an operator (=, <, <=, >, >=, ~)"),
    ("gentoo", "1", lambda: "a" * 10_000_000,
     "invalid Gentoo constraint '{0}'; expected an operator (<, <=, =, ~, >=, >)"),
    ("gentoo", "1", lambda: ">=a/b" + "-x" * 2_000_000,
     "invalid Gentoo constraint '{0}'; expected category/package-version"),
    ("rpm", "5-1", lambda: ",".join([">= 1-1"] * 100_000), "vers:rpm/>=1-1"),
    ("rpm", "1-1", lambda: ">=1," * 100_000, "invalid rpm relation '{0}'; expected an operator"),
    ("debian", "1", lambda: ">=1 " + "(" * 10_000_000, "invalid Debian relation '{0}'; unexpected ' ' in the version"),
    ("arch", "1", lambda: ">=1 " + "(" * 10_000_000, "invalid pacman relation '{0}'; unexpected ' ' in the version"),
]


@pytest.mark.parametrize("ecosystem, version, constraint, answer", NATIVE, ids=short_id)
def test_native_constraints_of_ten_megabytes_or_a_hundred_thousand_parts_in_linear_time(ecosystem, version,
                                                                                         constraint, answer):
    text = constraint()
    if isinstance(answer, str) and not answer.startswith("vers:"):
        message = answer.format(text, text[2:], text[1:-1])
        raises(ValueError, message, timed, ombrel.native_satisfies, version, text, ecosystem)
        raises(ValueError, message, timed, ombrel.vers_from_native, ecosystem, text)
    elif answer is None:
        with within(BUDGET):
            with contextlib.suppress(ValueError):
                ombrel.native_satisfies(version, text, ecosystem)
                ombrel.vers_from_native(ecosystem, text)
    else:
        assert timed(ombrel.native_satisfies, version, text, ecosystem) is (answer if type(answer) is bool else True)
        vers = timed(ombrel.vers_from_native, ecosystem, text)
        assert type(answer) is bool or vers == answer
