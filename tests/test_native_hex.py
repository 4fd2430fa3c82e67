import random

import pytest
from conftest import raises
from native_oracles import around, check_against, check_answers, elixir_verdicts

from ombrel import native_satisfies, vers_from_native


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("~> 1.2", ["1.2.0", "1.9.9", "1.3.0-rc.1"], ["2.0.0-dev", "2.0.0", "1.1.9"]),
        ("~> 1.2.3", ["1.2.3", "1.2.9"], ["1.3.0-0", "1.2.2"]),
        ("~> 1.0.0-beta", ["1.0.0-rc", "1.0.5"], ["1.0.0-alpha", "1.1.0-0"]),
        ("1.2.0", ["1.2.0", "1.2.0+b"], ["1.3.0"]),
        (">= 1.0.0", ["1.1.0-dev"], ["1.0.0-rc"]),
        ("< 2.0.0", ["2.0.0-dev"], ["2.0.0"]),
        ("> 1.0.0 and < 2.0.0 or == 3.0.0", ["1.5.0", "3.0.0"], ["2.5.0", "1.0.0"]),
        ("  >=1.0.0\tand\n<=1.0.0  ", ["1.0.0"], ["1.0.1"]),
        ("!= 1.2.0", ["1.2.1"], ["1.2.0"]),
    ],
)
def test_hex_requirements(constraint, yes, no):
    check_answers("hex", constraint, yes, no)


@pytest.mark.parametrize("constraint", ["", "and", "1.0.0 or", "or 1.0.0", ">=", "1.0.0 1.0.0",
                                        "v1.0.0", "1.0.0 and and 2.0.0", "~>"])
def test_hex_refusals_quote_the_text(constraint):
    raises(ValueError, f"invalid hex range '{constraint}'; invalid requirement",
           native_satisfies, "1.0.0", constraint, "hex")


def test_hex_vers_text():
    assert vers_from_native("hex", "~> 1.2") == "vers:hex/>=1.2.0|<2.0.0-0"
    assert vers_from_native("elixir", "== 1.0.0 or >= 2.0.0 and < 1.0.0") == "vers:hex/1.0.0"


def generated_requirements(seed, count):
    rng = random.Random(seed)

    def version(parts=3):
        text = ".".join(str(rng.choice([0, 1, 2, 10])) for _ in range(parts))
        return text + rng.choice(["", "", "", "-rc.1", "-0", "+build"])

    def comparator():
        op = rng.choice(["", "==", "!=", ">", "<", ">=", "<=", "~>", "~>", "="])
        v = version(rng.choice([2, 3, 3]) if op == "~>" else rng.choice([3, 3, 3, 2]))
        return op + rng.choice(["", " ", "  "]) + v

    def clause():
        return " and ".join(comparator() for _ in range(rng.randint(1, 2)))

    return [" or ".join(clause() for _ in range(rng.randint(1, 3))) for _ in range(count)] + [
        "", "and", "1.0.0 or", "~> 1", "01.0.0", ">=1.0.0and<2.0.0"]


def test_agrees_with_elixir():
    cases = [(r, around(r, ["", "-0", "-rc.1"])) for r in generated_requirements(1618, 600)]
    check_against("hex", cases, elixir_verdicts(cases))
