import pytest
from conftest import U64, comparator_error, raises, unsupported

from ombrel import range_contains, ranges_intersect, satisfies

def check(fn, args, expected):
    if isinstance(expected, bool):
        assert fn(*args) is expected
    else:
        raises(ValueError, expected, fn, *args)


@pytest.mark.parametrize("ecosystem", ["generic", "npm"])
@pytest.mark.parametrize(
    "shorthand, lower, upper",
    [
        ("^1.2.3", "1.2.3", "2.0.0"), ("^0.2.3", "0.2.3", "0.3.0"), ("^0.0.3", "0.0.3", "0.0.4"),
        ("^1.2", "1.2.0", "2.0.0"), ("^0", "0.0.0", "0.0.1"), ("^1.2.3-beta.1", "1.2.3", "2.0.0"),
        ("^01.02", "1.2.0", "2.0.0"), ("^1.x", "1.0.0", "2.0.0"), ("^*", "0.0.0", "0.0.1"),
        ("~1.2.3", "1.2.3", "1.3.0"), ("~1", "1.0.0", "2.0.0"), ("~1.x", "1.0.0", "2.0.0"),
        ("~>1.2", "1.2.0", "1.3.0"), ("~=1.2", "1.2.0", "1.3.0"), ("~*", "0.0.0", "1.0.0"),
        ("1.2.x", "1.2.0", "1.3.0"), ("1.2.X", "1.2.0", "1.3.0"), ("1.2.*", "1.2.0", "1.3.0"),
        ("1.x.x", "1.0.0", "2.0.0"), ("1.2.3.x", "1.2.0", "1.3.0"), ("10rc1.2.x", "10.2.0", "10.3.0"),
        ("x.x", "0.0.0", "0.1.0"),
        # a successor that carries into a new digit
        ("^9", "9.0.0", "10.0.0"), ("~1.9", "1.9.0", "1.10.0"), ("^0.99", "0.99.0", "0.100.0"),
        ("^0.0.999", "0.0.999", "0.0.1000"), ("99.x", "99.0.0", "100.0.0"), ("~9.99.1", "9.99.1", "9.100.0"),
    ],
)
def test_shorthand_bounds_are_exact_three_number_texts(shorthand, lower, upper, ecosystem):
    # "-alpha" sorts just below its release in both orderings; npm's strict parser also proves
    # that every bound is a full M.m.p text.
    assert satisfies(lower, shorthand, ecosystem) is True
    assert satisfies(lower + "-alpha", shorthand, ecosystem) is False
    assert satisfies(upper + "-alpha", shorthand, ecosystem) is True
    assert satisfies(upper, shorthand, ecosystem) is False


@pytest.mark.parametrize(
    "shorthand, field",
    [(f"^{U64}", "major"), (f"^0.{U64}", "minor"), (f"^0.0.{U64}", "patch"), (f"~1.{U64}.7", "minor"),
     (f"~{U64}", "major"), (f"{U64}.x", "major")],
)
def test_u64_max_component_increments_to_its_exact_successor(shorthand, field):
    # Strict SemVer refuses the successor; the generic scheme saturates it, so the range is
    # empty instead of wrapping around to 0.
    top = f"{U64}.{U64}.{U64}"
    raises(ValueError, f"invalid {field}: '{U64 + 1}'", satisfies, top, shorthand, "npm")
    assert satisfies(top, shorthand) is False
    assert satisfies("0.0.0", shorthand) is False


@pytest.mark.parametrize(
    "constraint, message",
    [
        ("1.2.3", comparator_error("1.2.3")), ("=1.2.3", comparator_error("=1.2.3")),
        ("1.0 - 2.0", comparator_error("1.0")), (">= 1.0 2.0", comparator_error("2.0")),
        ("^1.0|||^2.0", comparator_error("|^2.0")), ("= 1.0", comparator_error("=")),
        ("\u22651.0", comparator_error("\u22651.0")),
        (">=", "missing version in comparator '>='"), (">=1.0 <", "missing version in comparator '<'"),
        ("< =", "missing version in comparator '<='"),
        ("^ 1.2", "invalid caret range: '^'"), ("^abc", "invalid caret range: '^abc'"),
        (f"^{U64 + 1}", f"invalid caret range: '^{U64 + 1}'"),
        ("~> 1.2", "invalid tilde range: '~'"), (f"~=1.{U64 + 1}", f"invalid tilde range: '~1.{U64 + 1}'"),
        (">=1.2.x", "invalid x-range: '>=1.2.x'"), ("!=1.x", "invalid x-range: '!=1.x'"),
        (">= 1.x", "invalid x-range: '>=1.x'"), ("1.xyz", "invalid x-range: '1.xyz'"),
        ("[1.0]", "invalid interval range: '[1.0]'"), ("[1,2,3]", "invalid interval range: '[1,2,3]'"),
    ],
)
def test_range_parse_errors(constraint, message):
    raises(ValueError, message, satisfies, "1.0", constraint)


@pytest.mark.parametrize(
    "version, constraint, ecosystem, expected",
    [
        ("1.5.0", ">=1.0,<2.0", "generic", True), ("1.5.0", "^1.0 || ^2.0", "generic", True),
        ("2.5.0", "^1.0", "generic", False), ("2.0", ">= 1.0 , < 2.0", "generic", False),
        ("1.0", "< =1.0", "generic", True),  # the detached "<" joins "=1.0" into "<=1.0"
        ("1.5", "!= 1.5.0", "generic", False),
        ("2.5", ">=1.0\u2003<2.0", "generic", False),  # Unicode white space separates tokens
        ("1.5", "\u00a0>=1.0\u3000,\u0085<2.0\u2029", "generic", True),
        ("1.5", "[1.0,2.0),[3.0,4.0)", "generic", False),  # two tokens of one branch
        ("1.0", "(1.0,2.0]", "generic", False), ("2.0", "[ 1.0 , 2.0 )", "generic", False),
        ("1.5", "(,2.0) [1.0,) [,]", "generic", True),
        ("1.0.1", ">=1.0|<2.0", "generic", False),  # one comparator with the bound "1.0|<2.0"
        # a stray closing bracket is part of its token and opens nothing
        ("2.5", ">=1.0) <2.0", "generic", False), ("3.5", "[1.0,2.0)), [3,4]", "generic", False),
        ("1.5", "[1.0,2.0] <1.2", "generic", False), ("1.5", "[1.0,2.0], >=1.2", "generic", True),
        ("1.5", ">=1.0 ) <2.0", "generic", comparator_error(")")), ("0.1", "^1.0 ||", "generic", True),
        ("2.0.0-alpha", "^1.0", "semver", True),  # prereleases are not excluded
        ("1.0.0-alpha", "^1.0", "semver", False), ("1.5.0", ">=1.0.0,<2.0.0 || >=abc", "npm", True),
        ("3.0.0", ">=1.0.0,<2.0.0 || >=abc", "npm", "Expected 3 parts, got 1"),
        ("1.0.0", ">=abc || *", "npm", "Expected 3 parts, got 1"),
        ("1.0.0", ">=2.0.0 <abc || ^1.0", "npm", True),  # a failing comparator ends its branch
        # The candidate is reported before any bound, at the first comparison made.
        ("1.2", ">=1", "npm", "Expected 3 parts, got 2"), ("1.2", "^1.0 || >=1", "npm", "Expected 3 parts, got 2"),
        ("1.5.0", ">=1.0", "npm", "Expected 3 parts, got 2"),
        ("1.5.0", ">=1.0|<2.0", "npm", "leading zero in minor: '0|<2'"),
        ("x", ">=1.0", "pep440", "PEP 440 version must start with a digit: 'x'"),
        # the ecosystem is checked before the range, and the range before the versions
        ("bad", "[", "NoSuch", unsupported("nosuch")), ("1.0", "*", "auto", unsupported("auto")),
        ("bad", ">=1.0 y", "npm", comparator_error("y")),
    ],
)
def test_satisfies_in_evaluation_order(version, constraint, ecosystem, expected):
    check(satisfies, (version, constraint, ecosystem), expected)
    check(range_contains, (version, constraint, ecosystem), expected)


@pytest.mark.parametrize("constraint", ["", " \u3000\t", "*", "x", " , ", "|| >=1"])
@pytest.mark.parametrize("ecosystem", ["generic", "npm", "pep440", "maven"])
def test_empty_branch_accepts_unparsable_versions(constraint, ecosystem):
    assert satisfies("no such version!", constraint, ecosystem) is True


@pytest.mark.parametrize(
    "left, right, expected",
    [
        # bounds path
        ("^1.0", "^2.0", False), ("^1.0", "^1.5", True), ("[1.0,2.0]", "[2.0,3.0]", True),
        ("[1.0,1.0]", "(1.0,2.0)", False),  # equal lower bounds: inclusive only if both are
        ("[0.5,1.0)", "[1.0,1.0]", False),  # equal upper bounds: likewise
        (">=1.0", "<0.5", False), (">=1.0", "!=1.0", True),
        (">=2.0 >=1.0", "<1.5", True),  # only the last lower bound of a branch counts
        (">2 <1", "", False), ("^1.0 || ^3.0", "^3.1", True),
        # exact path
        ("*", "==9.9", True), ("==1.5", "^1.0", True), ("==1.5", "!=1.5", False), ("==1.5 ==1.6", "==1.6", False),
        ("==1.5 || ==1.6", "==1.6", True),
        ("==1.5 >=2.0", "*", False),  # decided by the exact path, not by the missing bounds
    ],
)
def test_ranges_intersect_either_way_round(left, right, expected):
    assert ranges_intersect(left, right) is expected
    assert ranges_intersect(right, left) is expected


@pytest.mark.parametrize(
    "left, right, ecosystem, expected",
    [
        (">=1.0.0 || >=abc", ">=0.5.0", "npm", True),  # the first pair already overlaps
        (">=1.0.0", "!=abc", "npm", True),  # != is never compared
        (">=1.2", ">=1", "npm", "Expected 3 parts, got 2"),  # lower bounds: left first
        ("<1", "<1.2", "npm", "Expected 3 parts, got 1"),  # upper bounds: left first
        (">=1.2", "<1", "npm", "Expected 3 parts, got 2"),  # then lower against upper
        ("<1.2", ">=1", "npm", "Expected 3 parts, got 1"),
        ("<1.0.0 || >=abc", ">=2.0.0", "npm", "Expected 3 parts, got 1"),
        ("==1.0.0 >=1.2", "*", "npm", "Expected 3 parts, got 2"),  # exact in the other, then own
        ("==1.0.0 >=2.0.0", "==1.2", "npm", "Expected 3 parts, got 2"),  # then the right's exacts
        ("[", "=", "auto", unsupported("auto")), ("[1]", "=2", "generic", "invalid interval range: '[1]'"),
        (">=1.0", "=2", "generic", comparator_error("=2")),
    ],
)
def test_ranges_intersect_errors_follow_check_and_comparison_order(left, right, ecosystem, expected):
    check(ranges_intersect, (left, right, ecosystem), expected)
