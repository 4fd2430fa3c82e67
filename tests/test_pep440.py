import random

import pytest
from conftest import assert_ascending, raises, read_versions

from ombrel import compare


@pytest.mark.parametrize(
    "text, message",
    [
        ("!2.0", "invalid PEP 440 epoch: ''"), ("1.0+x!y", "invalid PEP 440 epoch: '1.0+x'"),
        (" 1 !2", "invalid PEP 440 epoch: '1 '"), ("   ", "empty PEP 440 version: '   '"),
        ("+local", "empty PEP 440 version: '+local'"), ("1!+x", "empty PEP 440 version: '1!+x'"),
        (".1", "PEP 440 version must start with a digit: '.1'"),
        ("v+local", "PEP 440 version must start with a digit: 'v+local'"),
        (" v ", "PEP 440 version must start with a digit: ' v '"),
    ],
)
def test_messages(text, message):
    raises(ValueError, message, compare, text, "1.0", "python")


@pytest.mark.parametrize(
    "a, b",
    [
        ("1.0", "v1.0"), ("1.0", " 1.0 "), ("1.0", "1.0.0"), ("1.0rc1", "1.0c1"), ("1.0.post", "1.0.post0"),
        ("1.0+1.0", "1.0+1"), ("1.0+LOCAL", "1.0+local"), ("1:2.0", "1!2.0"), ("0!1.0", "1.0"),
        ("1.0+a~b", "1.0+a.b"),
    ],
)
def test_equal(a, b):
    assert compare(a, b, "pep440") == 0


@pytest.mark.parametrize(
    "chain",
    [
        ["1.0.dev1", "1.0a1.dev1", "1.0a1", "1.0a2", "1.0b1", "1.0rc1", "1.0rev1", "1.0", "1.0+ubuntu",
         "1.0+", "1.0+1", "1.0.post1", "1.1", "1!0.1"],
        ["1.0+abc", "1.0+abd"], ["3.0", "1!2.0"],
        ["1.0+zzz", "1.0.1"], ["1.0+9", "1.0+10"],  # the local label only breaks ties
        ["1!1.0", "1!1.0+a9", "1!1.0+b1", "1!1.0+b1.1", "1!1.0+0", "2!0"],  # with an epoch too
    ],
)
def test_order(chain):
    assert_ascending(chain, "pep440")


def test_agrees_with_packaging_on_canonical_versions():
    pv = pytest.importorskip("packaging.version")
    groups = {}
    for text in read_versions("pypi.txt"):
        try:
            parsed = pv.Version(text)
        except pv.InvalidVersion:
            continue
        # Only canonical texts of equal release length: this scheme does not pad releases
        # before a pre-release tag the way PEP 440 normalisation does (1.0a1 vs 1.0.0a1).
        if str(parsed) == text:
            groups.setdefault(len(parsed.release), []).append((text, parsed))
    rng = random.Random(440)
    keys = sorted(groups)
    for _ in range(4000):
        group = groups[rng.choice(keys)]
        (a, pa), (b, pb) = rng.choice(group), rng.choice(group)
        assert compare(a, b, "pep440") == (pa > pb) - (pa < pb), (a, b)
