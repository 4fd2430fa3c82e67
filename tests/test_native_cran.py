import random

import pytest
from conftest import raises
from native_oracles import around, check_against, check_answers, r_verdicts

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("(>= 1.2.3)", ["1.2.3", "1.2-4", "2.0"], ["1.2.2", "1.2"]),
        ("(== 1.2)", ["1.2", "1.2.0", "1-2"], ["1.2.1"]),
        ("( != 1.2-3)", ["1.2.4"], ["1.2.3"]),
        ("<  2.0", ["1.99.99"], ["2.0.0"]),
    ],
)
def test_cran_relations(constraint, yes, no):
    check_answers("cran", constraint, yes, no)


@pytest.mark.parametrize(
    "constraint, why",
    [
        ("(>=1.2)", "expected an operator (<, <=, >, >=, ==, !=), spaces and a version"),
        ("(= 1.2)", "expected an operator (<, <=, >, >=, ==, !=), spaces and a version"),
        ("(1.2)", "expected an operator (<, <=, >, >=, ==, !=), spaces and a version"),
        ("", "expected an operator (<, <=, >, >=, ==, !=), spaces and a version"),
        ("(>= 1.2 )", "white space after the version"),
        ("(>= 1.2", "unbalanced parenthesis"),
        ("(>=\t1.2)", "expected an operator (<, <=, >, >=, ==, !=), spaces and a version"),
        ("(>= 1)", "invalid R version '1'"),
        ("(>= 1.2a)", "invalid R version '1.2a'"),
    ],
)
def test_cran_refusals_quote_the_text(constraint, why):
    raises(ValueError, f"invalid cran range '{constraint}'; {why}", native_satisfies, "1.2", constraint, "cran")
    assert vers_from_native("r", "(>= 1.2-3)") == "vers:cran/>=1.2-3"


def generated_relations(seed, count):
    rng = random.Random(seed)

    def version():
        nums = [str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(2, 4))]
        return nums[0] + "".join(rng.choice([".", ".", "-"]) + n for n in nums[1:])

    out = []
    for _ in range(count):
        op = rng.choice(["<", "<=", ">", ">=", "==", "!=", "=", "=>", "~"])
        out.append(f"({rng.choice(['', ' '])}{op}{rng.choice([' ', ' ', '  ', '', chr(9)])}{version()})")
    return out + ["(>= 1)", "(>= 1.2a)", "(>= 1..2)", "(>= 1.2-)"]


def test_agrees_with_r():
    cases = [(r, around(r, [""])) for r in generated_relations(1619, 600)]
    check_against("cran", cases, r_verdicts(cases))
