"""The ecosystems without a constraint language of their own read the library's: the same
answers as `satisfies`."""
import pytest
from native_oracles import check_round_trip

from ombrel import native_satisfies, satisfies


@pytest.mark.parametrize(
    "ecosystem, constraints, versions",
    [
        ("generic", [">=1.0 <2.0", "^1.2 || ~3.1", "1.x", "[1.0,2.0)", "!=1.5", "*"], ["0.9", "1.0", "1.5", "2.0", "3.1.4"]),
        ("calver", [">=2024.1 <2025", "2024.*"], ["2023.12.1", "2024.5.1", "2025.1"]),
        ("docker", [">=1.25 <1.26", "^20.10"], ["1.25.3", "1.26", "20.10.7", "21.0"]),
        ("homebrew", [">=3.0 || <1.0"], ["0.9", "2.0", "3.0_1"]),
        ("nix", ["~1.2"], ["1.2.9", "1.3"]),
        ("freebsd", [">=1.2,<1.3"], ["1.2_1", "1.3"]),
        ("swift", ["^1.2.0", ">=5.9.0 <6.0.0"], ["1.2.0", "2.0.0", "5.10.1"]),
    ],
)
def test_library_language_answers_as_satisfies(ecosystem, constraints, versions):
    for c in constraints:
        for v in versions:
            assert native_satisfies(v, c, ecosystem) is satisfies(v, c, ecosystem), (c, v)
        check_round_trip(ecosystem, c, versions)


def test_library_language_refusals_are_its_own():
    with pytest.raises(ValueError) as native:
        native_satisfies("1.0", "1.0", "generic")
    with pytest.raises(ValueError) as own:
        satisfies("1.0", "1.0", "generic")
    assert native.value.args == own.value.args
