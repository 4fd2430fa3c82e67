import pytest

import ombrel
from ombrel import range_contains, ranges_intersect, satisfies

U64_MAX = "18446744073709551615"
U64_OVER = "18446744073709551616"
HINT = "; expected operator (>=, <=, >, <, ==, !=) followed by version"
TEN_MB = 10 * 1024 * 1024


def error_of(fn, *args):
    with pytest.raises(ValueError) as info:
        fn(*args)
    return str(info.value)


def check(fn, args, expected):
    if isinstance(expected, bool):
        assert fn(*args) is expected
    else:
        assert error_of(fn, *args) == expected


@pytest.mark.parametrize("ecosystem", ["generic", "npm"])
@pytest.mark.parametrize(
    "shorthand,lower,upper",
    [
        ("^1.2.3", "1.2.3", "2.0.0"),
        ("^0.2.3", "0.2.3", "0.3.0"),
        ("^0.0.3", "0.0.3", "0.0.4"),
        ("^1.2", "1.2.0", "2.0.0"),
        ("^0", "0.0.0", "0.0.1"),
        ("^1.2.3-beta.1", "1.2.3", "2.0.0"),
        ("^01.02", "1.2.0", "2.0.0"),
        ("^1.x", "1.0.0", "2.0.0"),
        ("^*", "0.0.0", "0.0.1"),
        ("~1.2.3", "1.2.3", "1.3.0"),
        ("~1", "1.0.0", "2.0.0"),
        ("~1.x", "1.0.0", "2.0.0"),
        ("~>1.2", "1.2.0", "1.3.0"),
        ("~=1.2", "1.2.0", "1.3.0"),
        ("~*", "0.0.0", "1.0.0"),
        ("1.2.x", "1.2.0", "1.3.0"),
        ("1.2.X", "1.2.0", "1.3.0"),
        ("1.2.*", "1.2.0", "1.3.0"),
        ("1.x.x", "1.0.0", "2.0.0"),
        ("1.2.3.x", "1.2.0", "1.3.0"),
        ("10rc1.2.x", "10.2.0", "10.3.0"),
        ("x.x", "0.0.0", "0.1.0"),
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
    "shorthand,field",
    [("^" + U64_MAX, "major"), (f"^0.{U64_MAX}", "minor"), (f"^0.0.{U64_MAX}", "patch"),
     (f"~1.{U64_MAX}.7", "minor"), (f"~{U64_MAX}", "major"), (f"{U64_MAX}.x", "major")],
)
def test_u64_max_component_increments_to_its_exact_successor(shorthand, field):
    # Strict SemVer refuses the successor; the generic scheme saturates it, so the range is
    # empty instead of wrapping around to 0.
    top = f"{U64_MAX}.{U64_MAX}.{U64_MAX}"
    assert error_of(satisfies, top, shorthand, "npm") == f"invalid {field}: '{U64_OVER}'"
    assert satisfies(top, shorthand) is False
    assert satisfies("0.0.0", shorthand) is False


@pytest.mark.parametrize(
    "constraint,message",
    [
        ("1.2.3", "invalid comparator: '1.2.3'" + HINT),
        ("=1.2.3", "invalid comparator: '=1.2.3'" + HINT),
        ("1.0 - 2.0", "invalid comparator: '1.0'" + HINT),
        (">= 1.0 2.0", "invalid comparator: '2.0'" + HINT),
        ("^1.0|||^2.0", "invalid comparator: '|^2.0'" + HINT),
        ("= 1.0", "invalid comparator: '='" + HINT),
        ("\u22651.0", "invalid comparator: '\u22651.0'" + HINT),
        (">=", "missing version in comparator '>='"),
        (">=1.0 <", "missing version in comparator '<'"),
        ("< =", "missing version in comparator '<='"),
        ("^ 1.2", "invalid caret range: '^'"),
        ("^abc", "invalid caret range: '^abc'"),
        ("^" + U64_OVER, f"invalid caret range: '^{U64_OVER}'"),
        ("~> 1.2", "invalid tilde range: '~'"),
        ("~>abc", "invalid tilde range: '~abc'"),
        (f"~=1.{U64_OVER}", f"invalid tilde range: '~1.{U64_OVER}'"),
        (">=1.2.x", "invalid x-range: '>=1.2.x'"),
        ("!=1.x", "invalid x-range: '!=1.x'"),
        (">= 1.x", "invalid x-range: '>=1.x'"),
        ("1.xyz", "invalid x-range: '1.xyz'"),
        ("[1.0]", "invalid interval range: '[1.0]'"),
        ("[1,2,3]", "invalid interval range: '[1,2,3]'"),
    ],
)
def test_range_parse_errors(constraint, message):
    assert error_of(satisfies, "1.0", constraint) == message


@pytest.mark.parametrize(
    "version,constraint,expected",
    [
        ("1.5.0", ">=1.0,<2.0", True),
        ("1.5.0", "^1.0 || ^2.0", True),
        ("2.5.0", "^1.0", False),
        ("2.0", ">= 1.0 , < 2.0", False),
        ("1.0", "< =1.0", True),  # the detached "<" joins "=1.0" into "<=1.0"
        ("1.5", "!= 1.5.0", False),
        ("2.5", ">=1.0\u2003<2.0", False),  # Unicode white space separates tokens
        ("1.5", "\u00a0>=1.0\u3000,\u0085<2.0\u2029", True),
        ("1.5", "[1.0,2.0),[3.0,4.0)", False),  # two tokens of one branch
        ("1.0", "(1.0,2.0]", False),
        ("2.0", "[ 1.0 , 2.0 )", False),
        ("1.5", "(,2.0) [1.0,) [,]", True),
        ("1.0.1", ">=1.0|<2.0", False),  # one comparator with the bound "1.0|<2.0"
        ("0.1", "^1.0 ||", True),
    ],
)
def test_satisfies(version, constraint, expected):
    assert satisfies(version, constraint) is expected
    assert range_contains(version, constraint) is expected


@pytest.mark.parametrize("constraint", ["", " \u3000\t", "*", "x", "X", " , ", "|| >=1"])
@pytest.mark.parametrize("ecosystem", ["generic", "npm", "pep440", "maven"])
def test_empty_branch_accepts_unparsable_versions(constraint, ecosystem):
    assert satisfies("no such version!", constraint, ecosystem) is True


@pytest.mark.parametrize(
    "version,constraint,ecosystem,expected",
    [
        ("2.0.0-alpha", "^1.0", "semver", True),  # prereleases are not excluded
        ("1.0.0-alpha", "^1.0", "semver", False),
        ("1.5.0", ">=1.0.0,<2.0.0 || >=abc", "npm", True),
        ("3.0.0", ">=1.0.0,<2.0.0 || >=abc", "npm", "Expected 3 parts, got 1"),
        ("1.0.0", ">=abc || *", "npm", "Expected 3 parts, got 1"),
        ("1.0.0", ">=2.0.0 <abc || ^1.0", "npm", True),  # a failing comparator ends its branch
        # The candidate is reported before any bound, at the first comparison made.
        ("1.2", ">=1", "npm", "Expected 3 parts, got 2"),
        ("1.2", "^1.0 || >=1", "npm", "Expected 3 parts, got 2"),
        ("1.5.0", ">=1.0", "npm", "Expected 3 parts, got 2"),
        ("1.5.0", ">=1.0|<2.0", "npm", "leading zero in minor: '0|<2'"),
        ("x", ">=1.0", "pep440", "PEP 440 version must start with a digit: 'x'"),
    ],
)
def test_evaluation_order_and_short_circuits(version, constraint, ecosystem, expected):
    check(satisfies, (version, constraint, ecosystem), expected)


def test_ecosystem_is_checked_before_range_and_range_before_versions():
    names = (
        "generic, semver, pep440, debian, rpm, ruby, maven, go, npm, nuget, composer, crates, "
        "hex, swift, calver, alpine, docker, conda, arch, gentoo, cran, spack, dart, julia, "
        "terraform, helm, cpan, nix, homebrew, freebsd"
    )
    unsupported = "unsupported ecosystem '{}'; expected one of: " + names
    assert error_of(satisfies, "bad", "[", "NoSuch") == unsupported.format("nosuch")
    assert error_of(satisfies, "1.0", "*", "auto") == unsupported.format("auto")
    assert error_of(ranges_intersect, "[", "=", "auto") == unsupported.format("auto")
    assert error_of(satisfies, "bad", ">=1.0 y", "npm") == "invalid comparator: 'y'" + HINT
    assert error_of(ranges_intersect, "[1]", "=2") == "invalid interval range: '[1]'"
    assert error_of(ranges_intersect, ">=1.0", "=2") == "invalid comparator: '=2'" + HINT


@pytest.mark.parametrize(
    "fn,args,param,type_name",
    [
        (satisfies, (b"1.0", "*"), "version", "bytes"),
        (satisfies, ("1.0", 1, "nosuch"), "constraint", "int"),
        (range_contains, ("1.0", "*", None), "ecosystem", "NoneType"),
        (ranges_intersect, ("*", ["*"]), "right", "list"),
    ],
)
def test_non_str_arguments_are_type_errors(fn, args, param, type_name):
    with pytest.raises(TypeError) as info:
        fn(*args)
    assert str(info.value) == f"'{type_name}' object is not an instance of 'str'"
    assert info.value.__notes__ == [f"while processing '{param}'"]


def test_version_object_is_refused():
    with pytest.raises(TypeError) as info:
        satisfies(ombrel.Version("1.0"), "*")
    assert info.value.__notes__ == ["while processing 'version'"]


def test_signatures_and_docstrings():
    assert satisfies(version="1.5", constraint="^1", ecosystem="generic") is True
    assert range_contains(version="1.5", range="^2") is False
    assert ranges_intersect(left="^1", right="^2") is False
    assert satisfies.__doc__ == (
        "Check whether `version` satisfies `constraint`.\n\nSupported syntax:\n"
        "  - Operators: `>=`, `<=`, `>`, `<`, `==`, `!=`\n"
        "  - AND via comma: `>=1.0,<2.0`\n"
        "  - OR via `||`: `^1.0 || ^2.0`\n"
        "  - Shorthand: `^1.2.3`, `~1.2`, `1.2.x`, `*`"
    )
    assert range_contains.__doc__ is None and ranges_intersect.__doc__ is None


@pytest.mark.parametrize(
    "left,right,expected",
    [
        # bounds path
        ("^1.0", "^2.0", False),
        ("^1.0", "^1.5", True),
        ("[1.0,2.0]", "[2.0,3.0]", True),
        ("[1.0,1.0]", "(1.0,2.0)", False),  # equal lower bounds: inclusive only if both are
        ("[0.5,1.0)", "[1.0,1.0]", False),  # equal upper bounds: likewise
        (">=1.0", "<0.5", False),
        (">=1.0", "!=1.0", True),
        (">=2.0 >=1.0", "<1.5", True),  # only the last lower bound of a branch counts
        (">2 <1", "", False),
        ("^1.0 || ^3.0", "^3.1", True),
        # exact path
        ("*", "==9.9", True),
        ("==1.5", "^1.0", True),
        ("==1.5", "!=1.5", False),
        ("==1.5 ==1.6", "==1.6", False),
        ("==1.5 || ==1.6", "==1.6", True),
        ("==1.5 >=2.0", "*", False),  # decided by the exact path, not by the missing bounds
    ],
)
def test_ranges_intersect(left, right, expected):
    assert ranges_intersect(left, right) is expected
    assert ranges_intersect(right, left) is expected


@pytest.mark.parametrize(
    "left,right,expected",
    [
        (">=1.0.0 || >=abc", ">=0.5.0", True),  # the first pair already overlaps
        (">=1.0.0", "!=abc", True),  # != is never compared
        (">=1.2", ">=1", "Expected 3 parts, got 2"),  # lower bounds: left first
        ("<1", "<1.2", "Expected 3 parts, got 1"),  # upper bounds: left first
        (">=1.2", "<1", "Expected 3 parts, got 2"),  # then lower against upper
        ("<1.2", ">=1", "Expected 3 parts, got 1"),
        ("<1.0.0 || >=abc", ">=2.0.0", "Expected 3 parts, got 1"),
        ("==1.0.0 >=1.2", "*", "Expected 3 parts, got 2"),  # exact in the other, then own
        ("==1.0.0 >=2.0.0", "==1.2", "Expected 3 parts, got 2"),  # then the right's exacts
    ],
)
def test_ranges_intersect_errors_follow_comparison_order(left, right, expected):
    check(ranges_intersect, (left, right, "npm"), expected)


@pytest.mark.parametrize(
    "version,constraint,expected",
    [
        ("1", "||".join([">=9"] * 100_000), False),
        ("1.5", "||".join(["<1"] * 99_999 + ["^1"]), True),
        ("0.5", ">=1.0 " * (TEN_MB // 6), False),
        ("1.5", " ," * (TEN_MB // 2), True),
        ("1.1.5", "1." * (TEN_MB // 2) + "x", True),  # only three components are read
        ("1.5", "[" * 100_000 + "1,2" + ")" * 100_000, True),
        ("1.5", "(" * 100_000 + "1, 2" + "]" * 100_000, True),
    ],
    ids=["alternatives", "last-alternative", "10mb-comparators", "10mb-separators",
         "10mb-x-range", "nested-interval", "nested-with-space"],
)
def test_pathological_ranges_complete(version, constraint, expected):
    assert satisfies(version, constraint) is expected


@pytest.mark.parametrize(
    "constraint", ["^" + "9" * TEN_MB, "(" * 100_000 + " 1"], ids=["10mb-caret", "unclosed"]
)
def test_pathological_errors_quote_the_whole_token(constraint):
    assert constraint in error_of(satisfies, "1.0", constraint)


def test_pathological_intersection_is_linear_in_one_side():
    left = "||".join(["<1"] * 100_000)
    assert ranges_intersect(left, ">=2") is False
    assert ranges_intersect(">=2", left + "||==3") is True
