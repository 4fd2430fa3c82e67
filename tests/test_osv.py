from collections import OrderedDict, defaultdict

import pytest

from ombrel import lt, osv_affected

UNSUPPORTED = (
    "'; expected one of: generic, semver, pep440, debian, rpm, ruby, maven, go, npm, nuget, "
    "composer, crates, hex, swift, calver, alpine, docker, conda, arch, gentoo, cran, spack, "
    "dart, julia, terraform, helm, cpan, nix, homebrew, freebsd"
)


def entry(ecosystem, *events, versions=None):
    """An "affected" entry with one range holding `events`."""
    affected = {
        "package": {"ecosystem": ecosystem, "name": "pkg"},
        "ranges": [{"type": "ECOSYSTEM", "events": list(events)}],
    }
    if versions is not None:
        affected["versions"] = versions
    return affected


# Shapes of real advisories (OSV schema), trimmed to what is evaluated.
DJANGO = {
    "package": {"ecosystem": "PyPI", "name": "django", "purl": "pkg:pypi/django"},
    "ranges": [{
        "type": "ECOSYSTEM",
        "events": [{"introduced": "3.2"}, {"fixed": "3.2.25"}, {"introduced": "4.2"},
                   {"fixed": "4.2.11"}, {"introduced": "5.0"}, {"fixed": "5.0.3"}],
    }],
    "database_specific": {"source": "ghsa"},
}
OPENSSL_DEBIAN = {
    "package": {"ecosystem": "Debian:12", "name": "openssl", "purl": "pkg:deb/debian/openssl"},
    "ranges": [{"type": "ECOSYSTEM", "events": [{"introduced": "0"}, {"fixed": "3.0.11-1~deb12u2"}]}],
    "versions": ["3.0.9-1", "3.0.11-1~deb12u1"],
}
NPM_LAST_AFFECTED = {
    "package": {"ecosystem": "npm", "name": "widget-parser"},
    "ranges": [{"type": "SEMVER", "events": [{"introduced": "1.0.0"}, {"last_affected": "1.4.2"}]}],
    "severity": [{"type": "CVSS_V3", "score": "CVSS:3.1/AV:N/AC:L/PR:N/UI:N/S:U/C:H/I:H/A:H"}],
}
CRATE_ALL_VERSIONS = {
    "package": {"ecosystem": "crates.io", "name": "unmaintained"},
    "ranges": [{"type": "SEMVER", "events": [{"introduced": "0"}]}],
}


@pytest.mark.parametrize(
    "affected, version, expected",
    [
        (DJANGO, "3.1.9", False), (DJANGO, "3.2", True), (DJANGO, "3.2.24", True),
        (DJANGO, "3.2.25", False), (DJANGO, "4.0.1", False), (DJANGO, "4.2.10", True),
        (DJANGO, "4.2.11", False), (DJANGO, "4.2.11.post1", False), (DJANGO, "5.0.2", True),
        (DJANGO, "5.0.3rc1", True), (DJANGO, "5.0.3", False), (DJANGO, "5.1", False),
        (OPENSSL_DEBIAN, "3.0.11-1~deb12u1", True), (OPENSSL_DEBIAN, "3.0.11-1~deb12u2", False),
        (OPENSSL_DEBIAN, "3.0.11-1", False), (OPENSSL_DEBIAN, "1.1.1w-0+deb11u1", True),
        (OPENSSL_DEBIAN, "1:1.0", False),
        (NPM_LAST_AFFECTED, "0.9.9", False), (NPM_LAST_AFFECTED, "1.0.0", True),
        (NPM_LAST_AFFECTED, "1.4.2", True), (NPM_LAST_AFFECTED, "1.4.3-beta.1", False),
        (NPM_LAST_AFFECTED, "1.4.3", False),
        (CRATE_ALL_VERSIONS, "0.1.0", True), (CRATE_ALL_VERSIONS, "not a version", True),
    ],
)
def test_real_advisories(affected, version, expected):
    assert osv_affected(version, affected) is expected


IN_ORDER = [{"introduced": "1.0"}, {"fixed": "1.2"}, {"introduced": "2.0"}, {"fixed": "2.2"}]


@pytest.mark.parametrize(
    "events, affected, unaffected",
    [
        (IN_ORDER, ["1.0", "1.1", "2.0", "2.1"], ["0.9", "1.2", "1.5", "2.2", "3"]),
        ([{"introduced": "0"}, {"fixed": "2.0"}], ["0", "1.9"], ["2.0"]),
        ([{"fixed": "2.0"}], ["0.1", "1.9"], ["2.0"]),
        ([{"introduced": "1.0"}], ["1.0", "99"], ["0.9"]),
        ([{"introduced": "1.0"}, {"last_affected": "1.4"}], ["1.0", "1.4"], ["1.4.1", "0.9"]),
        ([{"last_affected": "1.0"}, {"introduced": "2.0"}], ["0.5", "1.0", "2.0"], ["1.5"]),
        # a start while an interval is open is ignored: the earlier start stays
        ([{"introduced": "1.0"}, {"introduced": "2.0"}, {"fixed": "3.0"}], ["1.5"], ["3.0"]),
        # a close with nothing open, once an interval exists, is ignored
        ([{"introduced": "1.0"}, {"fixed": "1.2"}, {"fixed": "1.5"}], ["1.1"], ["1.3"]),
        ([{"fixed": "2.0"}, {"fixed": "3.0"}], ["1.0"], ["2.5"]),
        ([{"introduced": "1.0"}, {"fixed": "1.2"}, {"last_affected": "1.5"}], ["1.1"], ["1.3", "1.5"]),
        ([{"introduced": "1.0"}, {"fixed": "1.2"}, {"introduced": "2.0"}], ["1.1", "5"], ["1.5"]),
        ([{"introduced": "0"}, {"fixed": "1.0"}, {"introduced": "2.0"}], ["0.5", "3"], ["1.5"]),
        ([{"introduced": "1.0"}, {"fixed": "1.2"}, {"introduced": "0"}], ["0.5", "1.5"], []),
        # within one event: introduced, then fixed, then last_affected, whatever the dict order
        ([{"fixed": "1.2", "introduced": "1.0"}], ["1.1"], ["0.9", "1.2"]),
        ([{"introduced": "1.0"}, {"last_affected": "1.5", "fixed": "1.2"}], ["1.1"], ["1.3"]),
        # "0" is no lower bound only when introduced
        ([{"introduced": "0.0"}, {"fixed": "0"}], [], ["0", "0.0", "1"]),
        ([{"introduced": "1.0", "limit": "1.5"}], ["2"], ["0.5"]),
    ],
)
def test_events_read_in_order_as_intervals(events, affected, unaffected):
    for version in affected:
        assert osv_affected(version, entry("Go", *events), "generic") is True, version
    for version in unaffected:
        assert osv_affected(version, entry("Go", *events), "generic") is False, version


@pytest.mark.parametrize(
    "events",
    [
        [{"introduced": "0"}],
        [{"introduced": "0"}, {"introduced": "1.0"}],
        [{"introduced": "0", "limit": "1.0"}],
    ],
)
@pytest.mark.parametrize("version", ["garbage", "", "1.0.0"])
def test_interval_bounded_by_nothing_holds_every_version_unparsed(events, version):
    assert osv_affected(version, entry("npm", *events)) is True


@pytest.mark.parametrize(
    "ranges",
    [
        [{"events": [{"limit": "2.0"}]}],
        [{"events": []}],
        [{"type": "GIT", "repo": "https://example.org/x"}],
        [],
    ],
)
def test_ranges_without_bounds_are_passed_over(ranges):
    affected = {"package": {"ecosystem": "npm"}, "ranges": ranges, "versions": ["x"]}
    assert osv_affected("garbage", affected) is False
    assert osv_affected("x", affected) is True


@pytest.mark.parametrize(
    "osv_name, ecosystem",
    [
        ("PyPI", "pep440"), ("pypi", "pep440"), ("PYPI:extra", "pep440"),
        ("Debian", "debian"), ("Debian:12", "debian"), ("Debian:13:extra", "debian"),
        ("Ubuntu", "debian"), ("Ubuntu:22.04:LTS", "debian"), ("ubuntu:Pro:18.04:LTS", "debian"),
        ("Alpine:v3.19", "alpine"), ("Rocky Linux:9", "rpm"), ("AlmaLinux:8", "rpm"),
        ("Red Hat:enterprise_linux:9::appstream", "rpm"), ("red hat", "rpm"),
        ("Maven", "maven"), ("crates.io", "crates"), ("Packagist", "composer"),
    ],
)
def test_osv_ecosystem_names_choose_the_ordering(osv_name, ecosystem):
    samples = ["1.0~rc1", "1.0rc1", "0.9-1", "v0.9", "1.0.post1", "", "0.9.0", "1.2.3"]
    for version in samples:
        try:
            expected = lt(version, "1.0", ecosystem)
        except ValueError as e:
            with pytest.raises(ValueError) as got:
                osv_affected(version, entry(osv_name, {"fixed": "1.0"}))
            assert got.value.args == e.args
        else:
            assert osv_affected(version, entry(osv_name, {"fixed": "1.0"})) is expected


@pytest.mark.parametrize(
    "package_ecosystem, argument, message_name",
    [
        ("OSS-Fuzz", None, "oss-fuzz"),
        ("SwiftURL", None, "swifturl"),
        ("Foo:1", None, "foo"),
        ("", None, ""),
        ("auto", None, "auto"),
        (" PyPI", None, " pypi"),
        # the explicit argument is taken as given: OSV names are not mapped there
        ("npm", "PyPI", "pypi"),
        ("npm", "Debian:12", "debian:12"),
        ("npm", "auto", "auto"),
    ],
)
def test_unsupported_ecosystems(package_ecosystem, argument, message_name):
    with pytest.raises(ValueError) as e:
        osv_affected("1.0", entry(package_ecosystem, {"introduced": "0"}), argument)
    assert e.value.args == (f"unsupported ecosystem '{message_name}" + UNSUPPORTED,)


@pytest.mark.parametrize(
    "affected, ecosystem, version, expected",
    [
        # the argument wins, even over an unsupported package ecosystem
        (entry("OSS-Fuzz", {"fixed": "1.0"}), "debian", "1.0~rc1", True),
        (entry("Debian", {"fixed": "1.0"}), "maven", "1.0-rc1", True),
        (entry("Debian", {"fixed": "1.0"}), "generic", "1.0.0", False),
        # no package, or a package without ecosystem: generic
        ({"ranges": [{"events": [{"fixed": "1.0"}]}]}, None, "1.0rc1", True),
        ({"package": {"name": "x"}, "ranges": [{"events": [{"fixed": "2"}]}]}, None, "1.a", True),
    ],
)
def test_explicit_or_default_ecosystem(affected, ecosystem, version, expected):
    assert osv_affected(version, affected, ecosystem) is expected


@pytest.mark.parametrize(
    "versions, version, expected",
    [
        (["1.0.0"], "1.0", False),
        (["1.0.0"], "1.0.0", True),
        (["1.0.0"], " 1.0.0", False),
        (["2.0", "1.0-é"], "1.0-é", True),
        ([], "1.0", False),
    ],
)
def test_versions_list_matches_exact_text(versions, version, expected):
    affected = {"package": {"ecosystem": "PyPI"}, "versions": versions}
    assert osv_affected(version, affected) is expected


@pytest.mark.parametrize(
    "affected, version, expected",
    [
        ({}, "1.0", False),
        ({"package": {"ecosystem": "npm"}}, "garbage", False),
        # a matching range ends the evaluation: malformed later parts are not read
        ({"ranges": [{"events": [{"introduced": "0"}]}, None], "versions": None}, "1", True),
        ({"ranges": [{"events": [{"introduced": "0"}]}, {"events": [{"fixed": 5}]}]}, "1", True),
        # a range that does not hold hands over to "versions"
        (entry("npm", {"introduced": "1.0.0"}, versions=["0.5.0"]), "0.5.0", True),
    ],
)
def test_evaluation_order(affected, version, expected):
    assert osv_affected(version, affected) is expected


@pytest.mark.parametrize(
    "version, events, message",
    [
        ("1.5.0", [{"introduced": "1.0"}], "Expected 3 parts, got 2"),
        # the range is evaluated before "versions", which would have matched
        ("garbage", [{"introduced": "1.0.0"}, {"fixed": "2.0.0"}], "Expected 3 parts, got 1"),
        ("1.5.0", [{"introduced": ""}], "missing version in comparator '>='"),
        ("1.5.0", [{"fixed": "1.0.0 2.0.0"}],
         "invalid comparator: '2.0.0'; expected operator (>=, <=, >, <, ==, !=) followed by version"),
    ],
)
def test_bounds_go_through_the_range_parser_and_the_ecosystem(version, events, message):
    with pytest.raises(ValueError) as e:
        osv_affected(version, entry("npm", *events, versions=["garbage"]))
    assert e.value.args == (message,)


def ranges(*rs):
    return {"ranges": list(rs)}


@pytest.mark.parametrize(
    "affected, message",
    [
        ({"package": None}, "'NoneType' object is not an instance of 'dict'"),
        ({"package": {"ecosystem": None}}, "'NoneType' object is not an instance of 'str'"),
        ({"ranges": None}, "'NoneType' object is not an instance of 'list'"),
        ({"ranges": ({"events": []},)}, "'tuple' object is not an instance of 'list'"),
        (ranges(None), "'NoneType' object is not an instance of 'dict'"),
        (ranges([]), "'list' object is not an instance of 'dict'"),
        (ranges({"events": None}), "'NoneType' object is not an instance of 'list'"),
        (ranges({"events": [None]}), "'NoneType' object is not an instance of 'dict'"),
        (ranges({"events": [{"introduced": None}]}), "'NoneType' object is not an instance of 'str'"),
        (ranges({"events": [{"fixed": 2}]}), "'int' object is not an instance of 'str'"),
        # values that end up ignored are still checked, before anything is evaluated
        (ranges({"events": [{"introduced": "0"}, {"introduced": 1.0}]}),
         "'float' object is not an instance of 'str'"),
        (ranges({"events": [{"fixed": "1"}, {"fixed": None}]}),
         "'NoneType' object is not an instance of 'str'"),
        (ranges({"events": [{"introduced": "0"}, None]}), "'NoneType' object is not an instance of 'dict'"),
        # errors in a later range are raised when nothing earlier matched
        (ranges({"events": [{"introduced": "5"}]}, 7), "'int' object is not an instance of 'dict'"),
        ({"versions": None}, "'NoneType' object is not an instance of 'list'"),
        ({"versions": ["0.1", 1.0]}, "'float' object is not an instance of 'str'"),
    ],
)
def test_json_shape_errors_are_type_errors(affected, message):
    with pytest.raises(TypeError) as e:
        osv_affected("1.0", affected)
    assert e.value.args == (message,)


@pytest.mark.parametrize(
    "args, param, message",
    [
        ((None, {}), "version", "'NoneType' object is not an instance of 'str'"),
        (("1.0", None), "affected", "'NoneType' object is not an instance of 'dict'"),
        (("1.0", {}, 1), "ecosystem", "'int' object is not an instance of 'str'"),
        # arguments are converted in order, before the entry is looked at
        ((1, None, 1), "version", "'int' object is not an instance of 'str'"),
    ],
)
def test_argument_type_errors_name_the_argument(args, param, message):
    with pytest.raises(TypeError) as e:
        osv_affected(*args)
    assert e.value.args == (message,)
    assert e.value.__notes__ == [f"while processing '{param}'"]


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


def test_dict_and_list_subclasses_are_read_as_plain_containers():
    affected = NoItems(
        package=NoItems(ecosystem="npm"),
        ranges=Listing([NoItems(events=Listing([NoItems(introduced="1.0.0")]))]),
        versions=Listing(["0.1.0"]),
    )
    assert osv_affected("1.5.0", affected) is True
    assert osv_affected("0.1.0", affected) is True
    assert osv_affected("0.2.0", affected) is False
    ordered = OrderedDict(ranges=[OrderedDict(events=[OrderedDict(fixed="2")])])
    assert osv_affected("1", ordered) is True


def test_missing_keys_do_not_call_missing():
    affected = defaultdict(list)
    assert osv_affected("1.0", affected) is False
    assert affected == {}


def test_many_intervals_evaluate_in_linear_time():
    events = []
    for i in range(0, 100_000, 2):
        events += [{"introduced": f"{i}"}, {"fixed": f"{i + 1}"}]
    affected = entry("generic", *events)
    assert osv_affected("99998.5", affected) is True
    assert osv_affected("99999.5", affected) is False
