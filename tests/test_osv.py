from collections import OrderedDict, defaultdict

import pytest
from conftest import osv_entry, raises, unsupported

from ombrel import lt, osv_affected


KEYS = {"i": "introduced", "f": "fixed", "l": "last_affected", "m": "limit"}


def events(text):
    """"i1.0 f1.2,l1.5": one event per word, its keys by their first letter."""
    return [{KEYS[kv[0]]: kv[1:] for kv in word.split(",")} for word in text.split()]


@pytest.mark.parametrize(
    "text, affected, unaffected",
    [
        ("i1.0 f1.2 i2.0 f2.2", "1.0 1.1 2.0 2.1", "0.9 1.2 1.5 2.2 3"),
        ("i2.0 f2.2 i1.0 f1.2", "1.0 1.1 2.0 2.1", "0.9 1.2 1.5 2.2 3"),  # events are put in version order
        ("f1.2 i1.0", "1.0 1.1", "0.9 1.2"), ("i0 f2.0", "0 1.9", "2.0"), ("i1.0", "1.0 99", "0.9"),
        ("i1.0 l1.4", "1.0 1.4", "1.4.1 0.9"), ("i1.0 i2.0 f3.0", "1.5", "0.5 3.0"),
        ("i1.0 f1.2 l1.5", "1.1", "1.3 1.5"), ("i0 f1.0 i2.0", "0.5 3", "1.5"),
        # a fixed or last_affected before any introduced reads as if introduced "0" came first
        ("f2.0", "0.1 1.9", "2.0"), ("l1.0 i2.0", "0.5 1.0 2.0", "1.5"), ("f2.0 f3.0", "1.0", "2.5"),
        ("i1.0 f1.2 i0", "0.5 1.1", "1.5"),  # introduced "0" goes first wherever it is listed
        # events at equal versions keep their list order ("1.0" equals "1.0.0" here)
        ("i1.0.0 f1.0", "", "0.5 1.0 2"), ("f1.0 i1.0.0", "0.5 1.0 2", ""), ("i0.0 f0", "", "0 0.0 1"),
        ("f1.2,i1.0", "1.1", "0.9 1.2"), ("i1.0 l1.5,f1.2", "1.1", "1.3"),
        # limits: below at least one of them, "*" being none
        ("i1.0,m1.5", "1.0 1.4", "0.5 1.5 2"), ("i0 m1.0 m3.0", "0.5 2.9", "3.0"), ("i1.0 m* m1.5", "1.0 7", "0.9"),
    ],
)
def test_events_walked_in_version_order(text, affected, unaffected):
    for version in affected.split() + unaffected.split():
        want = version in affected.split()
        assert osv_affected(version, osv_entry("Go", *events(text)), "generic") is want, version


AIOHTTP = {  # PYSEC-2021-76: a GIT range first, as half of the PyPI entries have
    "package": {"ecosystem": "PyPI", "name": "aiohttp"},
    "ranges": [{"type": "GIT", "repo": "https://github.com/aio-libs/aiohttp",
                "events": [{"introduced": "0"}, {"fixed": "2545222a3853e31ace15d87ae0e2effb7da0c96b"}]},
               {"type": "ECOSYSTEM", "events": [{"introduced": "0"}, {"fixed": "3.7.4"}]}],
}


def typed(range_type, ecosystem, text):
    return osv_entry(ecosystem, *events(text), type=range_type)


GO = typed("SEMVER", "Go", "i0 f0.23.0")


@pytest.mark.parametrize(
    "osv_name, ecosystem",
    [
        ("pypi", "pep440"), ("PYPI:extra", "pep440"), ("Debian:13:extra", "debian"), ("Ubuntu:22.04:LTS", "debian"),
        ("ubuntu:Pro:18.04:LTS", "debian"), ("Alpine:v3.19", "alpine"), ("Rocky Linux:9", "rpm"),
        ("AlmaLinux:8", "rpm"), ("Red Hat:enterprise_linux:9::appstream", "rpm"), ("red hat", "rpm"),
        ("Maven", "maven"), ("crates.io", "crates"), ("Packagist", "composer"), ("Go", "go"), ("SwiftURL", "swift"),
        ("Pub", "dart"), ("RubyGems", "ruby"), ("NuGet", "nuget"), ("Hex", "hex"), ("CRAN", "cran"),
        ("Wolfi", "alpine"), ("Chainguard", "alpine"), ("openSUSE:Tumbleweed", "rpm"), ("SUSE:Linux Enterprise 15", "rpm"),
        ("Photon OS:5.0", "rpm"), ("Mageia:9", "rpm"), ("openEuler:22.03-LTS", "rpm"), ("Hackage", "generic"),
        ("GHC", "generic"),
    ],
)
def test_osv_ecosystem_names_choose_the_ordering(osv_name, ecosystem):
    for version in ["1.0~rc1", "1.0rc1", "0.9-1", "v0.9", "1.0.post1", "", "0.9.0", "1.2.3"]:
        try:
            expected = lt(version, "1.0", ecosystem)
        except ValueError as e:
            raises(ValueError, e.args[0], osv_affected, version, osv_entry(osv_name, {"fixed": "1.0"}))
        else:
            assert osv_affected(version, osv_entry(osv_name, {"fixed": "1.0"})) is expected


@pytest.mark.parametrize(
    "affected, ecosystem, version, expected",
    [
        # range types
        (AIOHTTP, None, "3.7.4", False), (AIOHTTP, None, "3.7.3", True), (AIOHTTP, None, "3.7.4.post0", False),
        # a GIT range is passed over, whatever its commits look like
        (typed("GIT", "PyPI", "ie0f1"), None, "1.0", False), (typed("GIT", "PyPI", "i0"), None, "1.0", False),
        # SEMVER: SemVer precedence, with or without "v", whatever the ecosystem
        (GO, None, "0.22.0", True), (GO, None, "v0.22.0", True), (GO, None, "v0.23.0", False),
        (GO, None, "0.23.0-rc.1", True), (GO, None, "0.0.0-20210101000000-abcdef123456", True),
        (GO, "debian", "0.23.0+b1", False),
        (typed("SEMVER", "crates.io", "i0"), None, "not a version", True),
        (typed("ECOSYSTEM", "Debian", "f1.0.1"), None, "1.0.1-rc.1", False),
        (typed("SEMVER", "Debian", "fv1.0.1"), None, "1.0.1-rc.1", True),
        (typed("SomeDay", "Debian", "f1.0"), None, "1.0~rc1", True),  # an unknown type: the ecosystem's order
        # the argument wins, even over an unsupported package ecosystem
        (osv_entry("OSS-Fuzz", {"fixed": "1.0"}), "debian", "1.0~rc1", True),
        (osv_entry("Debian", {"fixed": "1.0"}), "maven", "1.0-rc1", True),
        (osv_entry("Debian", {"fixed": "1.0"}), "generic", "1.0.0", False),
        # no package, or a package without ecosystem: generic
        ({"ranges": [{"events": [{"fixed": "1.0"}]}]}, None, "1.0rc1", True),
        ({"package": {"name": "x"}, "ranges": [{"events": [{"fixed": "2"}]}]}, None, "1.a", True),
        # "versions" matches by exact text
        ({"package": {"ecosystem": "PyPI"}, "versions": ["1.0.0"]}, None, "1.0", False),
        ({"package": {"ecosystem": "PyPI"}, "versions": ["1.0.0"]}, None, " 1.0.0", False),
        ({"package": {"ecosystem": "PyPI"}, "versions": ["2.0", "1.0-é"]}, None, "1.0-é", True),
        ({"versions": []}, None, "1.0", False), ({}, None, "1.0", False),
        ({"package": {"ecosystem": "npm"}}, None, "garbage", False),
        # a matching range ends the evaluation: malformed later parts are not read
        ({"ranges": [{"events": [{"introduced": "0"}]}, None], "versions": None}, None, "1", True),
        ({"ranges": [{"events": [{"introduced": "0"}]}, {"events": [{"fixed": 5}]}]}, None, "1", True),
        # a range that does not hold hands over to "versions"
        (osv_entry("npm", {"introduced": "1.0.0"}, versions=["0.5.0"]), None, "0.5.0", True),
        # an interval bounded by nothing holds every version, unparsed
        (osv_entry("npm", {"introduced": "0"}, {"introduced": "0"}), None, "garbage", True),
        # ranges whose events carry no bound are passed over
        (osv_entry("npm", {"limit": "2.0"}, versions=["x"]), None, "garbage", False),
        (osv_entry("npm", versions=["x"]), None, "x", True),
        ({"ranges": [{"type": "GIT", "repo": "https://example.org/x"}], "versions": ["x"]}, None, "garbage", False),
        # unsupported names, and the explicit argument taken as given: OSV names are not mapped there
        (osv_entry("OSS-Fuzz", {"introduced": "0"}), None, "1.0", unsupported("oss-fuzz")),
        (osv_entry("Foo:1", {"introduced": "0"}), None, "1.0", unsupported("foo")),
        (osv_entry("", {"introduced": "0"}), None, "1.0", unsupported("")),
        (osv_entry("auto", {"introduced": "0"}), None, "1.0", unsupported("auto")),
        (osv_entry(" PyPI", {"introduced": "0"}), None, "1.0", unsupported(" pypi")),
        (osv_entry("npm", {"introduced": "0"}), "PyPI", "1.0", unsupported("pypi")),
        (osv_entry("npm", {"introduced": "0"}), "Debian:12", "1.0", unsupported("debian:12")),
        (osv_entry("npm", {"introduced": "0"}), "auto", "1.0", unsupported("auto")),
        # bounds go through the range parser and the ecosystem
        (osv_entry("npm", {"introduced": "1.0"}), None, "1.5.0", "Expected 3 parts, got 2"),
        # event values are versions, not range text
        (osv_entry("npm", {"introduced": ""}), None, "1.5.0", "Expected 3 parts, got 1"),
        (osv_entry("npm", {"fixed": "1.0.0 2.0.0"}), None, "1.5.0", "Expected 3 parts, got 5"),
        # every event value is read, limits included, once the range needs the version
        (osv_entry("npm", {"introduced": "1.0.0"}, {"fixed": "2.0"}), None, "0.5.0", "Expected 3 parts, got 2"),
        (osv_entry("npm", {"introduced": "0", "limit": "2"}), None, "0.5.0", "Expected 3 parts, got 1"),
        (osv_entry("npm", {"introduced": "0"}, {"introduced": "0", "limit": "2.0.0"}), None, "garbage",
         "Expected 3 parts, got 1"),
        (osv_entry("Go", {"introduced": "0"}, {"fixed": "1.0.0"}), None, "0.5.0",
         "Go version must start with a lowercase 'v' prefix: '0.5.0'"),
        # the ecosystem is resolved first, whatever the range types
        ({"package": {"ecosystem": "OSS-Fuzz"}, "ranges": [{"type": "GIT", "events": []}]}, None, "1.0",
         unsupported("oss-fuzz")),
        # the range is evaluated before "versions", which would have matched
        (osv_entry("npm", {"introduced": "1.0.0"}, {"fixed": "2.0.0"}, versions=["garbage"]), None, "garbage",
         "Expected 3 parts, got 1"),
    ],
)
def test_range_types_ecosystem_and_evaluation_order(affected, ecosystem, version, expected):
    if isinstance(expected, str):
        raises(ValueError, expected, osv_affected, version, affected, ecosystem)
    else:
        assert osv_affected(version, affected, ecosystem) is expected


def ranges(*rs):
    return {"ranges": list(rs)}


@pytest.mark.parametrize(
    "affected, type_name, expected",
    [
        ({"package": None}, "NoneType", "dict"), ({"package": {"ecosystem": None}}, "NoneType", "str"),
        ({"ranges": ({"events": []},)}, "tuple", "list"), (ranges({"events": [None]}), "NoneType", "dict"),
        (ranges({"events": None}), "NoneType", "list"), (ranges({"events": [{"fixed": 2}]}), "int", "str"),
        ({"versions": None}, "NoneType", "list"), ({"versions": ["0.1", 1.0]}, "float", "str"),
        # values that end up ignored are still checked, before anything is evaluated
        (ranges({"events": [{"introduced": "0"}, {"introduced": 1.0}]}), "float", "str"),
        (ranges({"events": [{"fixed": "1"}, {"fixed": None}]}), "NoneType", "str"),
        (ranges({"events": [{"introduced": "5"}]}, 7), "int", "dict"),  # a later range, as nothing earlier matched
        (ranges({"type": 5, "events": []}), "int", "str"), (ranges({"events": [{"limit": 1}]}), "int", "str"),
        (ranges({"type": "GIT", "events": [{"fixed": None}]}), "NoneType", "str"),
    ],
)
def test_json_shape_errors_are_type_errors(affected, type_name, expected):
    raises(TypeError, f"'{type_name}' object is not an instance of '{expected}'", osv_affected, "1.0", affected)


class NoItems(dict):
    def __getitem__(self, key):
        raise AssertionError("own __getitem__ called")

    def get(self, key, default=None):
        raise AssertionError("own get called")


class Listing(list):
    def __iter__(self):
        raise AssertionError("own __iter__ called")

    def __getitem__(self, index):
        raise AssertionError("own __getitem__ called")


def test_dict_and_list_subclasses_are_read_as_plain_containers_without_missing():
    affected = NoItems(
        package=NoItems(ecosystem="npm"),
        ranges=Listing([NoItems(events=Listing([NoItems(introduced="1.0.0")]))]),
        versions=Listing(["0.1.0"]),
    )
    assert [osv_affected(v, affected) for v in ("1.5.0", "0.1.0", "0.2.0")] == [True, True, False]
    assert osv_affected("1", OrderedDict(ranges=[OrderedDict(events=[OrderedDict(fixed="2")])])) is True
    missing = defaultdict(list)
    assert osv_affected("1.0", missing) is False
    assert missing == {}
