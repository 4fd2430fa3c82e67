
import pytest
from conftest import raises, within
from native_oracles import check_round_trip

from ombrel import native_satisfies, vers_from_native

VERSIONS = ["v0.9.0", "v1.2.0-rc.1", "v1.2.0", "v1.5.0", "v2.0.0-0", "v2.0.0", "v1.3.0", "v1.2.3+incompatible"]


@pytest.mark.parametrize(
    "constraint, yes",
    [
        ("v1.2.0", ["v1.2.0"]),
        (">=v1.2.0 <v2.0.0", ["v1.2.0", "v1.5.0", "v2.0.0-0", "v1.3.0", "v1.2.3+incompatible"]),
        (">= v1.2.0, < v2.0.0-0", ["v1.2.0", "v1.5.0", "v1.3.0", "v1.2.3+incompatible"]),
        ("!=v1.3.0 >v1.2.0", ["v1.5.0", "v2.0.0-0", "v2.0.0", "v1.2.3+incompatible"]),
        ("==v0.9.0", ["v0.9.0"]),
    ],
)
def test_go_constraints(constraint, yes):
    assert [v for v in VERSIONS if native_satisfies(v, constraint, "go")] == yes
    check_round_trip("go", constraint, VERSIONS)


@pytest.mark.parametrize(
    "constraint, message",
    [
        ("", "invalid Go constraint ''; expected a version"),
        (" , ", "invalid Go constraint ' , '; expected a version"),
        (">=", "invalid Go constraint '>='; expected a version"),
        (">=1.2.0", "Go version must start with a lowercase 'v' prefix: '1.2.0'"),
        ("<>v1.0.0", "invalid Go constraint '<>v1.0.0'; unexpected '>' in the version"),
    ],
)
def test_go_refusals(constraint, message):
    raises(ValueError, message, native_satisfies, "v1.0.0", constraint, "go")


def test_go_hostile_lists_in_linear_time():
    with within(5):
        assert native_satisfies("v1.0.0", " ".join([">=v0.1.0"] * 100_000), "go") is True
        raises(ValueError, "invalid Go constraint '" + "<" * 1_000_000 + "'; unexpected '<' in the version",
               native_satisfies, "v1.0.0", "<" * 1_000_000, "go")
