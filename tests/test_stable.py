import pytest

from ombrel import Version, latest_stable, stable_versions

UNSUPPORTED = (
    "unsupported ecosystem 'nosuch'; expected one of: generic, semver, pep440, debian, rpm, ruby, "
    "maven, go, npm, nuget, composer, crates, hex, swift, calver, alpine, docker, conda, arch, "
    "gentoo, cran, spack, dart, julia, terraform, helm, cpan, nix, homebrew, freebsd"
)
BOTH = [stable_versions, latest_stable]


def fresh(text):
    return "".join(list(text))


def raises(exc, message, fn, *args, note=None):
    with pytest.raises(exc) as info:
        fn(*args)
    assert type(info.value) is exc
    assert str(info.value) == message
    assert getattr(info.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)


PRE_TAGS = ["dev", "a", "alpha", "b", "beta", "m", "milestone", "c", "rc", "cr", "pre", "preview",
            "snapshot", "RC", "Alpha"]
STABLE_TAGS = ["ga", "final", "release", "post", "p", "sp", "patch", "foo", "x"]


@pytest.mark.parametrize("tag", PRE_TAGS)
def test_listed_tags_below_release_weight_are_prereleases(tag):
    assert stable_versions([f"1.0-{tag}1", f"1.0.{tag}"]) == []


@pytest.mark.parametrize("tag", STABLE_TAGS)
def test_release_post_and_unlisted_tags_are_stable(tag):
    items = [f"1.0-{tag}1", f"1.0.{tag}"]
    assert stable_versions(items) == items


def test_tilde_marks_a_prerelease_and_caret_does_not():
    assert stable_versions(["1.0~rc1", "1.0^1", "1.0~"]) == ["1.0^1"]


def test_stable_versions_keeps_the_callers_objects_in_input_order():
    items = [fresh(v) for v in ["1.1", "1.0", "1.1rc1", "0.9", "2.0a1", "1.0"]]
    result = stable_versions(items)
    assert type(result) is list
    assert [id(x) for x in result] == [id(items[i]) for i in (0, 1, 3, 5)]
    assert stable_versions(["1.0", "1.1rc1", "1.1", "2.0a1"]) == ["1.0", "1.1"]


def test_prereleases_are_never_parsed_under_the_ecosystem():
    assert stable_versions(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == ["1.0.0"]
    assert latest_stable(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == "1.0.0"
    assert stable_versions(["1.0a1"], "semver") == []


def test_the_generic_test_decides_even_where_the_ecosystem_disagrees():
    items = ["1.0.0-foo", "1.0.0"]
    assert stable_versions(items, "semver") == items
    assert latest_stable(items, "semver") == "1.0.0"
    assert latest_stable(["1.0.0", "1.0.0-foo"], "semver") == "1.0.0"


@pytest.mark.parametrize(
    "versions, index",
    [
        (["1.0", "1.1rc1", "1.1", "2.0a1"], 2),
        (["2.0a1", "1.0"], 1),
        (["1.0", "1.0.0"], 1),
        (["1.0.0", "1.0", "0.5"], 1),
        (["1.0.post1", "1.0-final", "1.0"], 0),
    ],
)
def test_latest_stable_is_the_last_of_the_equal_greatest(versions, index):
    items = [fresh(v) for v in versions]
    assert latest_stable(items) is items[index]


def test_latest_stable_errors_in_order():
    raises(ValueError, "empty sequence", latest_stable, [])
    raises(ValueError, "empty sequence", latest_stable, [], "nosuch")
    raises(ValueError, UNSUPPORTED, latest_stable, ["1.0"], "nosuch")
    raises(ValueError, "no stable versions found", latest_stable, ["2.0a1"])
    raises(ValueError, "no stable versions found", latest_stable, ["2.0a1", "1.0~"], "semver")


def test_stable_versions_of_nothing():
    assert stable_versions([]) == []
    assert stable_versions([], "auto") == []
    raises(ValueError, UNSUPPORTED, stable_versions, [], "nosuch")


@pytest.mark.parametrize("fn", BOTH)
def test_conversion_and_element_errors(fn):
    raises(TypeError, "Can't extract `str` to `Vec`", fn, "1.0", note="versions")
    raises(TypeError, "'set' object is not an instance of 'Sequence'", fn, {"1.0"}, note="versions")
    raises(TypeError, "'NoneType' object is not an instance of 'str'", fn, ["1.0"], None, note="ecosystem")
    raises(TypeError, "expected Version or str", fn, [1])
    raises(TypeError, "expected Version or str", fn, [None])
    raises(TypeError, "expected Version or str", fn, ["1.0a1", None])
    raises(TypeError, "expected Version or str", fn, [None, "1.0"], "auto")
    raises(ValueError, "Expected 3 parts, got 2", fn, ["1.0", "not-valid"], "semver")


@pytest.mark.parametrize("fn", BOTH)
def test_auto_takes_the_first_element_even_when_it_is_a_prerelease(fn):
    raises(ValueError, "PEP 440 version must start with a digit: 'foo'", fn, ["1.0a1", "1.0", "foo"], "auto")
    assert fn(["1.0a1", "1.0", "foo"]) in (["1.0", "foo"], "1.0")


def test_version_objects_use_their_stored_generic_parse():
    pre = Version("1.0.0-rc.1", "semver")
    final = Version("1.0.0", "semver")
    foo = Version("1.0.0-foo", "semver")
    assert stable_versions([pre, final, foo]) == [final, foo]
    assert stable_versions([pre, final, foo])[0] is final
    assert latest_stable([pre, foo, final]) is final
    raises(ValueError, "Expected 3 parts, got 2", latest_stable, [final, "2.0"], "auto")
    raises(ValueError, "Expected 3 parts, got 2", latest_stable, [pre, "2.0"], "auto")
    assert latest_stable([final, "2.0"]) == "2.0"
