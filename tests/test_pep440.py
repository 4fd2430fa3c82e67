import random

import pytest
from conftest import U64, assert_ascending, raises, read_versions

import ombrel
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
        # The spellings the runs against packaging below draw are left to them.
        ("1.0+LOCAL", "1.0+local"), ("1:2.0", "1!2.0"), ("1.0+a~b", "1.0+a.b"), ("1.0\u3000", "1.0"),
        ("1.0-final", "1.0"),  # ordered by its generic parse, which drops "final"
    ],
)
def test_equal(a, b):
    assert compare(a, b, "pep440") == 0


@pytest.mark.parametrize(
    "chain",
    [
        ["1.0.dev1", "1.0a1.dev1", "1.0a1", "1.0a2", "1.0b1", "1.0rc1", "1.0", "1.0+", "1.0+ubuntu", "1.0+1",
         "1.0.post1.dev1", "1.0rev1", "1.0.post2", "1.1", "1!0.1"],
        ["1.21.0.dev1", "1.21a1"], ["0.1.0.post0", "0.1.post11"], ["1.0+1", "1.0+1.a", "1.0+1.0", "1.0+2"],
        ["1.0+abc10", "1.0+abc9", "1.0+abd", "1.0+0"], ["3.0", "1!2.0"], ["1.0+zzz", "1.0.1"],
        [f"1.{U64 - 1}", f"1.{U64}", f"1.{U64 + 1}"], ["1.0+99999999999999999999998", "1.0+99999999999999999999999"],
        [f"{U64}!2", f"{U64 + 1}!1", f"0{U64 + 2}!0"], ["1.0+9", "1.0+10"],
        ["1!1.0", "1!1.0+a9", "1!1.0+b1", "1!1.0+b1.1", "1!1.0+0", "2!0"],  # with an epoch too
    ],
)
def test_order(chain):
    assert_ascending(chain, "pep440")


# ---- differential test against packaging ----

SEPARATORS = ["", ".", "-", "_"]


def spelled(rng, word):
    return "".join(c.upper() if rng.random() < 0.2 else c for c in word)


def generated_texts(rng, n):
    """PEP 440 versions in every shape and spelling, with a few near misses packaging rejects."""
    numbers = ["0", "00", "1", "01", "2", "9", "10", "12", str(U64), str(U64 - 1), str(U64 + 1), "9" * 30]
    labels = ["ubuntu", "abc", "abc1", "1abc", "x", "Z9", *numbers]

    def word(*spellings, after=SEPARATORS):
        return rng.choice(SEPARATORS) + spelled(rng, rng.choice(spellings)) + rng.choice(after) + rng.choice(
            ["", *numbers])

    texts = []
    for _ in range(n):
        text = rng.choice(["", "", "", "", "", "0!", "1!", "01!", f"{U64}!", f"{U64 + 1}!"])
        if rng.random() < 0.5:  # mostly equal releases, so that the suffixes decide
            text += rng.choice(["1", "1.0", "1.0.0", "01"])
        else:
            text += ".".join(rng.choice(numbers[:8]) for _ in range(rng.randint(1, 4)))
            text += rng.choice(["", "", ".0", ".0.0", "." + rng.choice(numbers)])
        if rng.random() < 0.4:
            text += word("alpha", "a", "beta", "b", "preview", "pre", "c", "rc", after=SEPARATORS[:2])
        if rng.random() < 0.3:
            text += rng.choice(["-" + rng.choice(numbers), word("post", "rev", "r")])
        if rng.random() < 0.3:
            text += word("dev")
        if rng.random() < 0.3:
            parts = [rng.choice(labels) for _ in range(rng.randint(1, 3))]
            text += "+" + "".join(p + rng.choice(".-_") for p in parts[:-1]) + parts[-1]
        text = rng.choice(["", "", "v", "V", " ", "\t"]) + text + rng.choice(["", "", " ", "\n", "\x1c"])
        texts.append(text + rng.choice(["", "", "", "", "-", ".", "+", "x", "a1"]))  # some near misses
    return texts


def packaging_versions(texts):
    """(text, packaging's Version) for the texts packaging accepts; a skip without packaging."""
    pv = pytest.importorskip("packaging.version")
    out = []
    for text in texts:
        try:
            out.append((text, pv.Version(text)))
        except pv.InvalidVersion:
            continue
    return out


def first_disagreements(texts, limit=5):
    versions = packaging_versions(texts)
    bad = []
    for i, (a, pa) in enumerate(versions):
        for b, pb in versions[i + 1:]:
            theirs = (pa > pb) - (pa < pb)
            if ombrel.compare(a, b, "pep440") != theirs:
                bad.append((a, b, ombrel.compare(a, b, "pep440"), theirs))
                if len(bad) == limit:
                    break
    return bad


@pytest.mark.parametrize("real", [True, False], ids=["real", "generated"])
def test_agrees_with_packaging_on_every_pair(real):
    texts = random.Random(440).sample(read_versions("pypi.txt"), 400) if real else generated_texts(random.Random(4400), 700)
    assert first_disagreements(texts) == []


def test_versions_packaging_calls_equal_hash_alike():
    groups = {}
    for text, version in packaging_versions(generated_texts(random.Random(4401), 3000)):
        groups.setdefault(version, {})[text] = hash(ombrel.Version(text, "pep440"))
    assert [g for g in groups.values() if len(set(g.values())) > 1][:3] == []
    assert sum(len(g) > 1 for g in groups.values()) > 50  # many texts met an equal spelled otherwise


def test_sorts_the_real_versions_as_packaging_does():
    versions = dict(packaging_versions(read_versions("pypi.txt")))
    assert [versions[t] for t in ombrel.sort_versions(list(versions), "pep440")] == sorted(versions.values())


@pytest.mark.parametrize("text", ["1.0-foo", "1.0+", "1.0+a..b", "2.0.0-SNAPSHOT", "1.0.x", "1.0a1b2", "1.0 rc1",
                                  "1.0é", "1.0+ä", "1.0-", "1.0.post1.post2"])
def test_texts_packaging_rejects_are_still_accepted(text):
    assert packaging_versions([text]) == []
    assert compare(text, text, "pep440") == 0
