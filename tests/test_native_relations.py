"""The one-relation syntaxes of the system package managers: dpkg, rpm and pacman."""
import random
import re

import pytest
from native_oracles import (OPS, alpm_comparisons, around, check_answers, check_round_trip, dpkg_verdicts, outcome,
                            rpm_ds_verdicts)

from ombrel import native_satisfies


@pytest.mark.parametrize(
    "ecosystem, constraint, yes, no",
    [
        # (the operators, spellings and bounds the runs against dpkg, rpm and libalpm below draw are left to them)
        ("debian", "(< 2.0)", ["2.0"], ["2.0-1"]),  # the obsolete `<` is `<=`
        ("debian", "(1.0)", ["1.0", "0:1.0"], ["1.0-1"]),  # dpkg's implicit exact match
        # rpm's dependency check: a missing release matches any, a missing epoch is 0
        ("rpm", "> 1.0-5, < 1.0-5", ["1.0"], ["1.0-4", "1.0-6"]),
    ],
)
def test_relations(ecosystem, constraint, yes, no):
    check_answers(ecosystem, constraint, yes, no)


def generated(seed, count, bounds, ops, spell):
    rng = random.Random(seed)
    return [(spell(rng, op, b), op, b) for op, b in
            ((rng.choice(ops), rng.choice(bounds)) for _ in range(count))]


DEBIAN_BOUNDS = ["1.2", "1.2-1", "1:2.0", "1.0~rc1-2", "2.30+dfsg-1ubuntu1", "0.9.8", "3.0-0.1"]


def test_debian_agrees_with_dpkg():
    def spell(rng, op, b):
        inner = op + rng.choice(["", " "]) + b
        return rng.choice([inner, f"({inner})", f"( {inner} )"])

    relations = generated(1616, 80, DEBIAN_BOUNDS, ["<<", "<=", "=", ">=", ">>", "<", ">"], spell)
    cases = [(r, op, b, v) for r, op, b in relations
             for v in around(b, ["", "-1", "~rc1", "+dfsg-2"], 2) + [b] if outcome(v, "(>= 0)", "debian") is not None]
    answers = dpkg_verdicts([(v, op, b) for _, op, b, v in cases])
    assert len(answers) == len(cases)
    for (r, _, _, v), answer in zip(cases, answers):
        assert native_satisfies(v, r, "debian") is answer, (r, v)
    for r, op, b in relations:
        check_round_trip("debian", r, around(b, ["", "-1", "~rc1"], 2) + [b])


def test_rpm_agrees_with_rpm_dependency_checks():
    def spell(rng, op, b):
        return op + rng.choice(["", " "]) + b

    bounds = ["1.2-1", "1:2.0-3", "1.0~rc1-2", "2.30-1.el8", "0.9.8^git1-1", "3.0-0.1", "1.2", "2.0", "0:1.0",
              "1:1.0", "1.0~rc1"]
    ops = ["<", "<=", "=", ">=", ">", "=<", "=>", "=="]
    lists = [generated(seed, random.Random(seed).randint(1, 3), bounds, ops, spell) for seed in range(250)]
    cases, texts = [], []
    for lst in lists:
        texts.append(random.Random(len(texts)).choice([",", ", "]).join(r for r, _, _ in lst))
        versions = {v for _, _, b in lst
                    for v in around(b, ["", "-1", "-2.el8", "~rc1-1", "~rc1"], 2) + [b, "1:" + b.split(":")[-1]]}
        cases.append([[[op, b] for _, op, b in lst], sorted(versions)])
    for text, (_, versions), answer in zip(texts, cases, rpm_ds_verdicts(cases)):
        assert [native_satisfies(v, text, "rpm") for v in versions] == answer, text
    for text, (_, versions) in zip(texts[:60], cases):  # with a release on both sides, the plain interval
        check_round_trip("rpm", text, [v for v in versions if "-" in v and all("-" in b for b in
                                                                               re.findall(r"[\d:][^ ,]*", text))])


def test_arch_agrees_with_alpm():
    bounds = ["1.2", "1.2-1", "1:2.0-3", "1.0rc1-2", "2.30-1", "0.9.8", "20230101-1"]
    relations = generated(1616, 300, bounds, ["<", "<=", "=", ">=", ">"], lambda rng, op, b: op + b)
    cases = [(r, op, b, v) for r, op, b in relations
             for v in around(b, ["", "-1", "-2", "rc1-1", "a-1"], 2) + [b, "1:" + b]]
    for (r, op, _, v), cmp in zip(cases, alpm_comparisons([(v, b) for _, _, b, v in cases])):
        assert native_satisfies(v, r, "arch") is OPS[op](cmp), (r, v)
    for r, _, b in relations[:60]:  # where one side has no pkgrel, the VERS text keeps the plain interval
        check_round_trip("arch", r, [v for v in around(b, ["", "-1", "rc1-1"], 2) if ("-" in v) == ("-" in b)])
