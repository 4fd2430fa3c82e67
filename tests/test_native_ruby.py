import random

import pytest
from conftest import raises
from native_oracles import around, check_against, check_answers, ruby_verdicts

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("~>2.0.8", ["2.0.8", "2.0.99", "2.0.9.pre"], ["2.1", "2.1.a", "2.1.0.a", "2.0.7"]),
        ("~> 2", ["2.0", "2.9.9"], ["3.0", "3.a", "1.9"]),
        ("~> 2.0.a", ["2.0.a", "2.5", "2.0.0.0.0.a"], ["3.0", "1.9"]),
        ("> 1.0-rc1", ["1.0", "1.0.pre.rc2"], ["1.0.pre.rc1"]),
        (" = 1.0 ", ["1.0", "1.0.0"], ["1.0.1"]),
        ("1", ["1.0"], ["1.0.a"]),
        (">= 1.0, < 2, != 1.5", ["1.0", "1.4.9"], ["1.5", "2.0", "0.9"]),
        ("<= 1.A", ["1.A", "0.9"], ["1.0", "1.B"]),
        ("~> 1.99999999999999999999", ["1.99999999999999999999"], ["2"]),
        ("\n>=\t1\r", ["1"], ["0.9"]),
    ],
)
def test_ruby_requirements(constraint, yes, no):
    check_answers("ruby", constraint, yes, no)


@pytest.mark.parametrize("constraint", ["", "v1", ">= 1 < 2", "1..0", ">=", "1.0+1", "1.0.-", "=> 1",
                                        "1,", "~>", "\u00a01", "1.0 )", "1\u00e9"])
def test_ruby_refusals_quote_the_text(constraint):
    piece = constraint.split(",")[-1] if "," in constraint else constraint
    raises(ValueError, f"invalid ruby range '{constraint}'; ill-formed requirement '{piece}'",
           native_satisfies, "1.0", constraint, "ruby")


def test_ruby_vers_text_keeps_the_release_bound():
    assert vers_from_native("ruby", "~>2.0.8") == "vers:gem/>=2.0.8|<2.1"
    assert vers_from_native("ruby", "> 2, < 1") == "vers:none/*"
    assert vers_from_native("gem", "!= 1.5") == "vers:gem/!=1.5"


def generated_requirements(seed, count):
    rng = random.Random(seed)

    def version():
        text = ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(rng.randint(1, 4)))
        return text + rng.choice(["", "", "", ".a", ".pre.2", "-rc1", ".b1"])

    def piece():
        op = rng.choice(["", "=", "!=", ">", "<", ">=", "<=", "~>", "~>", "=>", "~"])
        return rng.choice(["", " "]) + op + rng.choice(["", " ", "  "]) + version()

    return [",".join(piece() for _ in range(rng.randint(1, 3))) for _ in range(count)] + [
        "", " ", ",", "1,", ">= 1 < 2", "v1", "1.0+b", "1..2", "= =1"]


def test_agrees_with_gem_requirement():
    suffixes = ["", ".a", ".0.b", ".pre.1", "-rc1"]
    cases = [(r, around(r, suffixes) + around(r, ["", ".rc"], width=2)) for r in generated_requirements(1617, 800)]
    check_against("ruby", cases, ruby_verdicts(cases), caveat=lambda v: not v.replace(".", "").isdigit())
