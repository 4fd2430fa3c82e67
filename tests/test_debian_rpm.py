"""Debian's and RPM's orders: an epoch, then dpkg's and rpm's walks over the version and the
revision or release, each held against its own tool."""
import os
import random
import shutil
import subprocess

import pytest
from conftest import assert_all_equal, assert_ascending, read_versions, short_id
from native_oracles import rpm_comparisons

import ombrel

SHARED = [  # numbers of any length, epochs to the 64-bit edge and past it
    ["1.9", "1.10", "1.99999999999999999999", "1.100000000000000000000"],
    ["1." + "9" * 5000, "1.1" + "0" * 5000, "1.1" + "0" * 4999 + "1"],
    ["9.9", "1:0.1", "2:0", "18446744073709551614:9", "18446744073709551615:0"], ["18446744073709551616:1", "1:0"],
    ["1:2", "1:2:3", "2:0"],  # later colons stay in the version
    ["a:1.0", "1:0"], ["18446744073709551616", "18446744073709551616:1"],  # overflowing epoch kept as text
]


@pytest.mark.parametrize(
    "ecosystem, chain",
    [(e, chain) for e in ("debian", "rpm") for chain in SHARED] + [
        # Tildes, letters, revisions and releases are left to the runs against dpkg and rpm below.
        ("debian", ["1.0", "1.0+", "1.0.", "1.0é", "1.0\U0001f600"]), ("debian", ["~", "-", "a", ":"]),
        ("debian", ["1.0", ":1.0", "1:0"]),  # no digits: the colon stays in the upstream
        ("debian", ["1.0", "1.0 a"]),  # inner white space is an ordinary byte
        ("rpm", ["1.0-~", "1.0", "1.0-^", "1.0-1", "1.0-2", "1.0-10", "1.0.1-0"]),  # a release on one side only
    ],
    ids=short_id,
)
def test_versions_sort_in_the_listed_order(ecosystem, chain):
    assert_ascending(chain, ecosystem)


@pytest.mark.parametrize(
    "ecosystem, a, b",
    [
        ("debian", "1.01", "1.1"), ("debian", "0" * 5000 + "1", "1"), ("debian", "1.0", "1.0-0"),
        ("debian", "1.0", "1.0-"),
        ("debian", "1.0", "0:1.0"), ("debian", "007:1.0", "7:1.0"), ("debian", "1:2:3", "01:2:3"),
        ("debian", "00018446744073709551615:1", "18446744073709551615:1"), ("debian", " 1.0\t\n", "1.0"),
        ("debian", "\u00a0\u30001.0\u2028", "1.0"), ("debian", "-", "-"),
        ("rpm", "1.0", "1_0"), ("rpm", "1.0", "1..+0"), ("rpm", "1.0", "1é0"), ("rpm", "1.0", "1.0\x00"),
        ("rpm", "1.010", "1.10"), ("rpm", "0" * 5000 + "1", "1"), ("rpm", "1.0", "0:1.0"), ("rpm", "007:1.0", "7:1.0"),
        ("rpm", "1.0", ":1.0"),  # no epoch digits: the colon is an ignorable byte of the version
        ("rpm", "1.0", "1.0-"), ("rpm", "1.0", "1.0-."),  # an absent release is the empty one
        ("rpm", "1.0-1", "1.0-01"), ("rpm", "\u00a0\u30001.0\u2028", "1.0"), ("rpm", "~", "~"),
    ],
    ids=short_id,
)
def test_equal_versions(ecosystem, a, b):
    assert_all_equal([a, b], ecosystem)


# dpkg prints a warning or an error for texts it does not accept; those pairs are left out,
# since its lenient parse of them (signed epochs, signed-char weights) is not ours.
DPKG_LOOP = r"""
while IFS=$'\t' read -r a b; do
  dpkg --compare-versions "$a" lt "$b" 2>"$ERR"; rc=$?
  if [ -s "$ERR" ] || [ $rc -gt 1 ]; then echo skip; continue; fi
  if [ $rc -eq 0 ]; then echo -1; continue; fi
  if dpkg --compare-versions "$a" gt "$b" 2>/dev/null; then echo 1; else echo 0; fi
done
"""


def mutate(rng, text):
    chars = list(text)
    for _ in range(rng.randint(1, 3)):
        k = rng.randrange(len(chars) + 1)
        new = rng.choice("0123456789000abzAZ.+~-:")
        if k == len(chars) or rng.random() < 0.4:
            chars.insert(k, new)
        elif rng.random() < 0.5:
            chars[k] = new
        else:
            del chars[k]
    return "".join(chars)


def test_agrees_with_dpkg(tmp_path):
    if shutil.which("dpkg") is None:
        pytest.skip("dpkg is not installed")
    real = sorted({text.strip() for text in read_versions("debian.txt")} - {""})
    rng = random.Random(20240)
    pairs = []
    for _ in range(250):
        i = rng.randrange(len(real) - 1)  # neighbours share long prefixes
        pairs.append((real[i], real[i + 1]) if rng.random() < 0.5 else (real[i + 1], real[i]))
        pairs.append((rng.choice(real), rng.choice(real)))
        base = rng.choice(real)
        pairs.append((base, mutate(rng, base)))
    run = subprocess.run(
        ["bash", "-c", DPKG_LOOP], input="".join(f"{a}\t{b}\n" for a, b in pairs),
        capture_output=True, text=True, env={**os.environ, "ERR": str(tmp_path / "err")}, check=True,
    )
    verdicts = run.stdout.split()
    assert len(verdicts) == len(pairs)
    checked = [(a, b, int(v)) for (a, b), v in zip(pairs, verdicts) if v != "skip"]
    assert len(checked) > 600
    wrong = [(a, b, want, got) for a, b, want in checked if (got := ombrel.compare(a, b, "debian")) != want]
    assert wrong[:5] == []


def text(rng, alphabet, longest):
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(1, longest)))


def neighbour(rng, alphabet, s):
    k = rng.randrange(len(s) + 1)
    return s[:k] + rng.choice(alphabet) + s[k + (rng.random() < 0.5):]


# rpm ranks any release above none, while here an absent release is the empty one ("1.0-~"
# sorts before "1.0"); pairs where only one side has a release are therefore left out.
@pytest.mark.parametrize(
    "alphabet, epochs, seed",
    [("0123456789" * 2 + "00abzAZ" + "._+é~~^^", [""], 4711),
     ("0123456789" * 2 + "00abzAZ" + "._+~^-:", ["", "", "0:", "1:", "01:", "2:", ":"], 1701)],
    ids=["fragments", "epoch-version-release"],
)
def test_agrees_with_rpm(tmp_path, alphabet, epochs, seed):
    rng = random.Random(seed)
    pairs = []
    while len(pairs) < 2000:
        a = rng.choice(epochs) + text(rng, alphabet, 8)
        b = neighbour(rng, alphabet, a) if rng.random() < 0.7 else text(rng, alphabet, 8)
        if ("-" in a) == ("-" in b):
            pairs.append((a, b))
    verdicts = rpm_comparisons([("1:1", "2")] + pairs, tmp_path)
    if verdicts[0] != 1:  # older rpm.vercmp ignores epochs
        pytest.skip("rpm has no epoch-aware rpm.vercmp")
    wrong = [(a, b, want, got) for (a, b), want in zip(pairs, verdicts[1:])
             if (got := ombrel.compare(a, b, "rpm")) != want]
    assert wrong[:5] == []
