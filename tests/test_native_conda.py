import random

import pytest
from native_oracles import around, check_answers, check_round_trip


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        ("1.2", ["1.2", "1.2.0", "1.2.5", "1.02.7", "1.2.dev1", "1.2_3"], ["1.20", "1.2a", "1.3", "1.1.9"]),
        ("1.2.*", ["1.2.5"], ["1.3", "1.20"]),
        ("1.2*", ["1.2.4"], ["1.20"]),
        ("=1.2", ["1.2.5"], ["1.3"]),
        ("=1.2.*", ["1.2.5"], ["1.3"]),
        ("1.2.0.*", ["1.2", "1.2.0.4"], ["1.2.1"]),  # a missing component is 0
        ("*", ["0", "9.9"], []),
        ("==1.2", ["1.2", "1.2.0"], ["1.2.1"]),
        ("==1.2.*", ["1.2"], ["1.2.1"]),  # `.*` on a comparison is ignored, as conda ignores it
        ("!=1.2", ["1.3"], ["1.2.0"]),
        ("!=1.2.*", ["1.3", "1.20"], ["1.2.5", "1.2"]),
        ("<1.2", ["1.1.9"], ["1.2"]),
        ("<=1.2", ["1.2.0"], ["1.2.1"]),
        (">1.2", ["1.2.1"], ["1.2.0"]),
        (">=1.2.*", ["1.2"], ["1.1"]),
        ("~=1.2.3", ["1.2.3", "1.2.9"], ["1.3", "1.2.2"]),
        ("~=1.2", ["1.9"], ["2.0", "1.1"]),
        (">=1.0,<2.0", ["1.0", "1.9.9"], ["2.0", "0.9"]),
        (">=1.0,<2.0|>3", ["1.5", "3.1"], ["2.5", "3"]),
        ("1.2|1.4", ["1.2.3", "1.4.0"], ["1.3"]),
        ("(>=1,<2)|(>=3,<4),!=3.5", ["1.5", "3.6"], ["3.5", "2.5"]),
        ("((1.2|1.4),>=1.2.5)", ["1.2.5", "1.4.0"], ["1.2.1", "1.3"]),
        (">= 1.0 , < 2", ["1.5"], ["2.1"]),  # white space by an operator or a comma goes
        ("1!2.0", ["1!2.0.1"], ["2.0"]),
        ("1.2+x", ["1.2+x.1", "1.2.0+x"], ["1.2", "1.2+y"]),
    ],
)
def test_conda_constraints(constraint, yes, no):
    check_answers("conda", constraint, yes, no)


def generated(seed, count):
    rng = random.Random(seed)

    def version():
        return ".".join(str(rng.choice([0, 1, 2, 9, 10])) for _ in range(rng.randint(1, 3)))

    def item():
        op = rng.choice(["", "", "=", "==", "!=", "<", "<=", ">", ">=", "~="])
        v = version()
        if op == "~=" and "." not in v:
            v += ".0"
        star = rng.random() < 0.3 and op in ("", "=", "!=", ">=")
        return op + v + (".*" if star else "")

    def term(depth=0):
        parts = [item() if depth > 1 or rng.random() < 0.8 else "(" + expr(depth + 1) + ")"
                 for _ in range(rng.randint(1, 3))]
        return ",".join(parts)

    def expr(depth=0):
        return "|".join(term(depth) for _ in range(rng.randint(1, 3)))

    return [expr() for _ in range(count)]


def test_vers_text_holds_the_constraints_releases():
    for r in generated(1618, 400):
        check_round_trip("conda", r, around(r, [""], width=3) + around(r, [""], width=2))
