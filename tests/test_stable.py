import pytest
from conftest import fresh, raises, unsupported

from ombrel import Version, latest_stable, stable_versions

PRE_TAGS = ["dev", "a", "alpha", "b", "beta", "m", "milestone", "c", "rc", "cr", "pre", "preview", "snapshot",
            "RC", "Alpha", "~"]
STABLE_TAGS = ["ga", "final", "release", "post", "p", "sp", "patch", "foo", "x", "^"]


@pytest.mark.parametrize("tag, stable", [(t, False) for t in PRE_TAGS] + [(t, True) for t in STABLE_TAGS])
def test_listed_tags_below_release_weight_are_prereleases_and_the_rest_stable(tag, stable):
    items = [f"1.0-{tag}1", f"1.0.{tag}"]
    assert stable_versions(items) == (items if stable else [])


def test_stable_versions_keeps_the_callers_objects_in_input_order():
    items = [fresh(v) for v in ["1.1", "1.0", "1.1rc1", "0.9", "2.0a1", "1.0"]]
    result = stable_versions(items)
    assert type(result) is list
    assert [id(x) for x in result] == [id(items[i]) for i in (0, 1, 3, 5)]


def test_the_generic_test_decides_and_prereleases_are_never_parsed_under_the_ecosystem():
    assert stable_versions(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == ["1.0.0"]
    assert latest_stable(["1.0.0", "2.0.0-rc.1.x..y"], "semver") == "1.0.0"
    assert stable_versions(["1.0a1"], "semver") == []
    assert stable_versions(["1.0.0-foo", "1.0.0"], "semver") == ["1.0.0-foo", "1.0.0"]
    assert latest_stable(["1.0.0-foo", "1.0.0"], "semver") == "1.0.0"
    assert latest_stable(["1.0.0", "1.0.0-foo"], "semver") == "1.0.0"


@pytest.mark.parametrize(
    "versions, index",
    [(["1.0", "1.1rc1", "1.1", "2.0a1"], 2), (["1.0", "1.0.0"], 1), (["1.0.0", "1.0", "0.5"], 1),
     (["1.0.post1", "1.0-final", "1.0"], 0)],
)
def test_latest_stable_is_the_last_of_the_equal_greatest(versions, index):
    items = [fresh(v) for v in versions]
    assert latest_stable(items) is items[index]


def test_errors_in_order():
    raises(ValueError, "empty sequence", latest_stable, [], "nosuch")
    raises(ValueError, unsupported("nosuch"), latest_stable, ["1.0"], "nosuch")
    raises(ValueError, "no stable versions found", latest_stable, ["2.0a1"])
    raises(ValueError, "no stable versions found", latest_stable, ["2.0a1", "1.0~"], "semver")
    assert stable_versions([], "auto") == []
    raises(ValueError, unsupported("nosuch"), stable_versions, [], "nosuch")


@pytest.mark.parametrize("fn", [stable_versions, latest_stable])
def test_element_errors(fn):
    raises(TypeError, "expected Version or str", fn, ["1.0a1", None])  # prereleases too
    raises(TypeError, "expected Version or str", fn, [None, "1.0"], "auto")
    raises(ValueError, "Expected 3 parts, got 2", fn, ["1.0", "not-valid"], "semver")
    # auto takes the first element's ecosystem even when it is a prerelease
    raises(ValueError, "PEP 440 version must start with a digit: 'foo'", fn, ["1.0a1", "1.0", "foo"], "auto")
    assert fn(["1.0a1", "1.0", "foo"]) in (["1.0", "foo"], "1.0")


def test_version_objects_use_their_stored_generic_parse():
    pre, final, foo = Version("1.0.0-rc.1", "semver"), Version("1.0.0", "semver"), Version("1.0.0-foo", "semver")
    result = stable_versions([pre, final, foo])
    assert result == [final, foo] and result[0] is final
    assert latest_stable([pre, foo, final]) is final
    raises(ValueError, "Expected 3 parts, got 2", latest_stable, [final, "2.0"], "auto")
    raises(ValueError, "Expected 3 parts, got 2", latest_stable, [pre, "2.0"], "auto")
    assert latest_stable([final, "2.0"]) == "2.0"
