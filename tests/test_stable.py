import pytest
from conftest import fresh

from ombrel import Version, latest_stable, stable_versions


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


def test_version_objects_use_their_stored_generic_parse():
    pre, final, foo = Version("1.0.0-rc.1", "semver"), Version("1.0.0", "semver"), Version("1.0.0-foo", "semver")
    result = stable_versions([pre, final, foo])
    assert result == [final, foo] and result[0] is final
    assert latest_stable([pre, foo, final]) is final
    assert latest_stable([final, "2.0"]) == "2.0"
