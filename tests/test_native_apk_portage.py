"""apk's dependency constraints and Portage's atom operators: one relation each, with a prefix
match of their own (apk's fuzzy `~`, Portage's `=1.2*`) and Portage's any-revision `~`."""
import json
import random

import pytest
from conftest import ORDER_FACTS
from native_oracles import around, check_answers, check_round_trip, outcome


@pytest.mark.parametrize(
    "ecosystem, constraint, yes, no",
    [
        ("alpine", ">=1.2", ["1.2", "1.2-r0", "1.2.0", "1.2_p1", "1.3"], ["1.2_rc1", "1.1.9"]),
        ("alpine", "<1.2", ["1.2_rc1", "1.1.9", "1.2_alpha"], ["1.2", "1.2-r0"]),
        ("alpine", "=1.2-r1", ["1.2-r1", "1.2-r01"], ["1.2", "1.2-r10", "1.2.0-r1"]),
        ("alpine", "~1.2", ["1.2", "1.2.9", "1.2a", "1.2_rc1", "1.2_p1", "1.2-r3", "1.2~abc"], ["1.20", "1.3", "1.1", "1"]),
        ("alpine", "musl~=1.2", ["1.2.5-r0"], ["1.20"]),
        ("alpine", " so:libc.musl-x86_64.so.1=~1 ", ["1.2", "1_rc1"], ["10", "2"]),
        ("alpine", "~1", ["1.2", "1a", "1-r1"], ["10", "2", "0.9"]),
        ("alpine", "~1.2_rc1", ["1.2_rc1", "1.2_rc1-r2", "1.2_rc1_p"], ["1.2_rc10", "1.2_rc2", "1.2"]),
        ("alpine", "~1.2a", ["1.2a", "1.2a-r1"], ["1.2b", "1.2"]),
        ("alpine", "~0.09", ["0.09.1"], ["0.9", "0.091", "0.1"]),
        ("alpine", "<=1.2.3_git20240101-r2", ["1.2.3_git20240101-r2", "1.2.3"], ["1.2.3_git20240101-r3", "1.2.4"]),
        ("gentoo", ">=1.2", ["1.2", "1.2-r1", "1.2.0", "1.2a", "1.2_p1"], ["1.2_rc1", "1.1"]),
        ("gentoo", "=dev-lang/python-3.11*", ["3.11", "3.11.4", "3.11_rc1", "3.11-r2", "3.11a"], ["3.1", "3.110", "3.12"]),
        ("gentoo", "~sys-libs/glibc-2.38", ["2.38", "2.38-r5", "2.38-r0"], ["2.38.1", "2.38_p1", "2.38_rc1"]),
        ("gentoo", "~2.38-r3", ["2.38", "2.38-r1"], ["2.39"]),
        ("gentoo", "=1.2", ["1.2", "1.2-r0"], ["1.2-r1", "1.2.0"]),
        ("gentoo", "=1*", ["1", "1.5", "1a", "1_p1", "1-r1"], ["10", "2"]),
        ("gentoo", "=01.2*", ["1.2.3", "001.2"], ["1.20"]),
        ("gentoo", "=1.2_rc1*", ["1.2_rc1", "1.2_rc1-r1", "1.2_rc1_p2"], ["1.2_rc10", "1.2"]),
        ("gentoo", "<dev-libs/foo-bar-2.0", ["1.9", "2.0_rc1"], ["2.0", "2.0-r1"]),
        ("gentoo", "<cat/foo-2bar-1.0", ["0.9"], ["1.0"]),
        ("gentoo", "<=1.2_alpha_beta3-r2", ["1.2_alpha_beta3-r2", "1.2_alpha_alpha"], ["1.2_alpha_beta3-r3", "1.2_alpha"]),
        ("gentoo", " >1.2b-r1\t", ["1.2b-r2", "1.2.1", "1.2z"], ["1.2b-r1", "1.2a"]),
        ("gentoo", "=1.0-r0*", ["1.0", "1.0-r0"], ["1.0-r01", "1.0.1"]),
    ],
)
def test_apk_and_portage_relations(ecosystem, constraint, yes, no):
    check_answers(ecosystem, constraint, yes, no)


def order_facts(ecosystem):
    if not ORDER_FACTS.exists():
        pytest.skip(f"{ORDER_FACTS} not available")
    return [(kind, a, b) for fact in json.loads(ORDER_FACTS.read_text())[ecosystem] for kind, (a, b) in fact.items()]


@pytest.mark.parametrize("ecosystem", ["alpine", "gentoo"])
def test_apk_and_portage_operators_follow_the_ordering_facts(ecosystem):
    relations = {"ascending": lambda a, b: [(">", a, b, True), ("<", b, a, True), ("=", a, b, False), (">=", b, a, False)],
                 "equal": lambda a, b: [("=", a, b, True), ("<", a, b, False)],
                 "unequal": lambda a, b: [("=", a, b, False)]}
    cases = [(op + bound, v, holds) for kind, a, b in order_facts(ecosystem)
             for op, bound, v, holds in relations[kind](a, b) if outcome("0", op + bound, ecosystem) is not None]
    assert len(cases) > 50
    assert [c for c in cases if outcome(c[1], c[0], ecosystem) is not c[2]] == []


PRE_RELEASES = ("_alpha", "_beta", "_pre", "_rc")


@pytest.mark.parametrize("ecosystem, ops, prefix_op, suffixes", [
    ("alpine", ["=", "<", "<=", ">", ">="], "~", ["", "-r1", "_p1", "a", "_git2024-r2", "_rc1"]),
    ("gentoo", ["=", "<", "<=", ">", ">=", "~"], "=", ["", "-r1", "_p1", "a", "_p1-r2", "_rc1"]),
])
def test_apk_and_portage_round_trips(ecosystem, ops, prefix_op, suffixes):
    """The VERS text holds what the constraint holds, pre-releases of a prefix match aside;
    plain comparisons agree with the ecosystem's order on the shared ordering facts."""
    rng = random.Random(1616)
    bounds = sorted({v for _, a, b in order_facts(ecosystem) for v in (a, b) if outcome("0", ">=" + v, ecosystem) is not None})
    for _ in range(300):
        bound = rng.choice(bounds)
        op = rng.choice(ops + [prefix_op])
        glob = op == prefix_op and ecosystem == "gentoo" and rng.random() < 0.7
        constraint = op + bound + ("*" if glob else "")
        versions = around(bound, suffixes, 3) + around(bound, suffixes, 2) + [bound]
        versions = [v for v in versions if outcome(v, ">=0", ecosystem) is not None]
        prefix = glob or (ecosystem == "alpine" and op == "~")
        check_round_trip(ecosystem, constraint, [v for v in versions if not (prefix and any(p in v for p in PRE_RELEASES))])
