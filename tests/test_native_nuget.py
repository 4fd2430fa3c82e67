import pytest
from conftest import raises
from native_oracles import check_answers, check_round_trip

from ombrel import native_satisfies

VERSIONS = ["0.9", "1", "1.0", "1.0.0", "1.0.0.1", "1.0.1", "1.5.0", "1.9.9.9", "2.0", "2.0.0.0", "2.0.1", "10.0.0"]


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        # Intervals: a pre-release between the bounds is in, as VersionRange.Satisfies says.
        ("1.0", ["1.0", "1.0.0.0", "1.5.0-beta", "99.0"], ["0.9.9", "1.0.0-beta"]),
        ("[1.0.0, 2.0.0)", ["1.0.0", "1.9.9.9", "2.0.0-rc.1"], ["0.9", "2.0.0", "2.0.0+build"]),
        ("[1.0]", ["1.0", "1.0.0.0", "1"], ["1.0.1", "1.0.0-beta"]),
        ("(1.0,)", ["1.0.0.1", "1.0.1"], ["1.0", "0.9"]),
        ("(,1.0]", ["1.0", "0.1"], ["1.0.1"]),
        ("(1.0,2.0)", ["1.5"], ["1.0", "2.0"]),
        (" [ 1.0 ,2.0 ] ", ["2.0", "1.0"], ["2.0.1"]),
        ("[1.0,1.0)", [], ["1.0"]),
        # Floating versions: what restore floats over.
        ("1.*", ["1", " 1.0 ", "1.9.9", "1.0.0.7"], ["1.5.0-beta", "2.0.0", "0.9"]),
        ("1.0.*", ["1.0.0", "1.0.99"], ["1.1.0", "1.0.1-rc"]),
        ("1.0.0.*", ["1.0.0", "1.0.0.9"], ["1.0.1"]),
        ("*", ["0.0.1", "99.0"], ["1.0.0-beta"]),
        ("1.0.0-*", ["1.0.0", "1.0.0-alpha", "1.0.0-0.1"], ["1.0.1-alpha", "1.0.0.1", "0.9"]),
        ("1.0.0-beta*", ["1.0.0-beta", "1.0.0-BETA.2", "1.0.0"], ["1.0.0-alpha", "1.0.0-rc"]),
        ("1.0.0-rc.*", ["1.0.0-rc.1"], ["1.0.0-rd"]),
        ("1.0.*-*", ["1.0.5-rc", "1.0.0"], ["1.1.0-alpha", "0.9.9-rc"]),
        ("1.*-*", ["1.9.0-beta"], ["2.0.0-beta"]),
        ("*-*", ["0.1.0-alpha", "7.0"], []),
        ("[1.*, 2.0)", ["1.0.0", "1.5.0-beta"], ["2.0", "0.9"]),
    ],
)
def test_nuget_ranges(constraint, yes, no):
    check_answers("nuget", constraint, yes, no)
    check_round_trip("nuget", constraint, VERSIONS)


REFUSED = [  # (what follows the syntax's name and the quoted text, {} being the text; texts)
    ("empty range", ["", "  "]),
    ("a range in brackets ends with ']' or ')'", ["[1.0", "["]),
    ("a single version stands only in '[ ]'", ["(1.0)", "[1.0)"]),
    ("the lower bound is above the upper bound", ["[2.0,1.0]"]),
    ("no bound", ["(,)", "[ , ]"]),
    ("more than two bounds", ["[1.0,2.0,3.0]"]),
    ("invalid version '{}'", ["v1.0", "1.0.0.0.0", "1.0-", "2147483648", "1.0 || 2.0", "\u0661.0"]),
    ("invalid version '2.0 ]'", ["[1.0,2.0 ]]"]),
    ("invalid floating version '{}'", ["1.*.0", "*-beta*", "1.0.0.0.*", "1.0*"]),
    ("invalid floating version '1.*'", ["[1.*]"]),
    ("the upper bound cannot float: '2.*'", ["[1.0,2.*)"]),
]


@pytest.mark.parametrize("constraint, what", [(c, what) for what, texts in REFUSED for c in texts])
def test_nuget_refusals_quote_the_text(constraint, what):
    raises(ValueError, f"invalid NuGet range '{constraint}'; {what.format(constraint)}",
           native_satisfies, "1.0", constraint, "nuget")
