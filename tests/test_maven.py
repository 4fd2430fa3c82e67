import os
import random
import shutil
import subprocess

import pytest
from conftest import assert_all_equal, assert_ascending, raises, read_versions, short_id

import ombrel

JAR = "/usr/share/maven/lib/maven-artifact-3.x.jar"


def cmp(a, b):
    return ombrel.compare(a, b, "maven")


@pytest.mark.parametrize(
    "chain",
    [
        ["1.0-alpha1", "1.0-beta1", "1.0-milestone1", "1.0-rc1", "1.0-snapshot", "1.0", "1.0-sp1"],
        ["1.0-sp", "1.0-bar", "1.0-foo", "1.0-xyz1", "1.0-1", "1.0.1", "1.1", "1.10"],
        ["1.0-SNAPSHOT", "1", "1.0-sp", "1.0-foo"],
        ["1-0.alpha-1", "1", "1-0.sp-1"],  # lists led by null items
        ["1-ga.alpha-1", "1", "1-ga.1"],
        ["1.0.9", "1.1", "9", "10"],
        ["1-beta", "1-b2", "1-b"],  # "b" stands for beta only before a digit
        ["1-alpha", "1-beta", "1-a", "1-aa", "1-ab", "1-b"],  # unknown ones after known ones
        ["1.sp.1", "1-1"],  # a qualifier sorts below a list
        ["1-i", "1-\u0130", "1-\u0131"],  # U+0130 lower-cases to "i" U+0307
        ["1-\U00010428", "1-\uff5a"],  # by UTF-16 units, not code points
        ["1-\ud7ff", "1-\U00010400", "1-\ue000"],
        ["1." + "9" * 29, "1.1" + "0" * 29, "1.123456789012345678901234567890", "1.123456789012345678901234567891"],
        ["18446744073709551615", "18446744073709551616", "99999999999999999999", "100000000000000000000"],
    ],
)
def test_versions_sort_in_the_listed_order(chain):
    assert_ascending(chain, "maven")


@pytest.mark.parametrize(
    "group",
    [
        ["1", "1.0", "1.0.0", "1-0", "1.0-ga", "1.0.final", "1.0-release", "1-", "1..", " 1.0 ", "\u30001.0\u3000"],
        ["1.0alpha1", "1.0-alpha-1", "1.0-a1", "1.a1", "1-ALPHA-1", "1-A1"],
        ["1.0-cr1", "1.0-rc1", "1.0-RC-1", "1-CR1"],
        ["1-b2", "1-beta2"], ["1-m2", "1-milestone-2"], ["1.0.a", "1.0-a", "1.0-A"], ["1..2", "1.0.2"],
        ["01.002", "1.2", "1.0000000000000000000000002"], ["1.0-SNAPSHOT", "1-snapshot"], ["1" + "-0" * 255, "1"],
        ["1-\u0130", "1-i\u0307"], ["1-\U00010400", "1-\U00010428"], ["1-\u00c9T\u00c9", "1-\u00e9t\u00e9"],
        ["1-\u212a", "1-k", "1-K"],  # Kelvin sign
        ["1-\u0391\u03a3", "1-\u03b1\u03c2"], ["1-\u03a3\u0391", "1-\u03c3\u03b1"],  # final sigma
        ["1-\u0391\u03a3'\u0301", "1-\u03b1\u03c2'\u0301"],  # case-ignorables keep it final
        ["1-\u0391\u03a3.b", "1-\u03b1\u03c3.b"],  # a cased letter follows after the '.'
    ],
)
def test_equal_versions(group):
    assert_all_equal(group, "maven")


@pytest.mark.parametrize(
    "text, message",
    [
        (" x", "Maven version must start with a digit: ' x'"), (".1", "Maven version must start with a digit: '.1'"),
        ("\u00b21", "Maven version must start with a digit: '\u00b21'"),  # digit check first
        ("1-\u2163", "Maven version contains a non-ASCII numeral '\u2163': '1-\u2163'"),
        ("1.\u0663", "Maven version contains a non-ASCII numeral '\u0663': '1.\u0663'"),
        (" 1-\u2460 ", "Maven version contains a non-ASCII numeral '\u2460': ' 1-\u2460 '"),
        ("1-\U0001d7d8", "Maven version contains a non-ASCII numeral '\U0001d7d8': '1-\U0001d7d8'"),
        ("1-\u00b3\u00b2", "Maven version contains a non-ASCII numeral '\u00b3': '1-\u00b3\u00b2'"),
        *[(text, None) for text in ["1-\u00e9", "1-\u24b6", "1-\u00aa", "1 2", "1_2", "1\ufffd"]],  # no numerals
    ],
)
def test_numerals_and_a_non_digit_start_are_rejected(text, message):
    if message is None:
        assert cmp(text, text) == 0 and ombrel.Version(text, "maven") == text
        return
    raises(ValueError, message, cmp, text, "1")
    raises(ValueError, message, cmp, "1", text)
    raises(ValueError, message, ombrel.Version, text, "maven")


# 256 lists at most: `more` opens one more list (two for "a1")
@pytest.mark.parametrize(
    "deep, more",
    [("1" + "-1" * 255, "-1"), ("1" + "a1" * 127, "a1"), ("1" + "-" * 255, "-"), ("1" + "-" * 255, "-" * 10**7),
     ("1" + "-1" * 255, "-1" * 5 * 10**6)],
    ids=short_id,
)
def test_nesting_is_limited_to_256_lists(deep, more):
    assert cmp(deep, deep) == 0
    deeper = " " + deep + more
    raises(ValueError, f"Maven version nests more than 256 levels deep: '{deeper}'", cmp, deeper, "1")


@pytest.mark.parametrize(
    "a, b, expected",
    [
        ("1" + "-1" * 255, "1" + "-1" * 254 + "-2", -1), ("1" + "-1" * 255, "1" + "-1" * 254, 1),
        ("1" + "-0" * 254 + "-1", "1", 1), ("1" + "-0" * 254 + "-alpha", "1", -1),
        ("1" + "a1" * 127, "1" + "a1" * 126 + "a2", -1),
        ("1" + "-1" * 255 + ".0" * 2_000_000, "1" + "-1" * 255 + ".1", -1),  # deep, then wide
    ],
    ids=short_id,
)
def test_deepest_trees_compare(a, b, expected):
    assert (cmp(a, b), cmp(b, a)) == (expected, -expected)


# Known differences from Maven's ComparableVersion, left out of the comparison:
# - it keeps surrounding white space as part of the version; here it is trimmed;
# - it reads non-ASCII decimal digits as digits; here they are rejected;
# - it decides between final and medial sigma by word boundaries; here the Unicode
#   Final_Sigma context decides ("1ΑΣ-cr" ends its qualifier in σ there, ς here);
# - it has no nesting limit;
# - it lower-cases by the JDK's Unicode version; the atoms below have the same mapping in both.
ATOMS = ["0", "00", "1", "2", "10", "007", "123456789012345678901234567890", "999999999999999999",
         "1000000000000000000", "a", "b", "m", "x", "alpha", "beta",
         "milestone", "rc", "cr", "snapshot", "ga", "final", "release", "sp", "foo", "Alpha", "RC", "SNAPSHOT", "Final",
         "GA", ".", ".", "-", "-", "\u00e9", "\u00c9", "\u0130", "\u00df", "\U00010400", "\uff5a", "\ue000"]


def comparable_with_jar(text):
    if text != text.strip() or "\u03a3" in text:
        return False
    try:
        cmp(text, text)
    except ValueError:
        return False
    return True


def jar_verdicts(texts):
    run = subprocess.run(
        ["java", "-cp", JAR, "org.apache.maven.artifact.versioning.ComparableVersion", *texts],
        capture_output=True, text=True, check=True, env={**os.environ, "LC_ALL": "C.UTF-8"},
    )
    ops = [line for line in run.stdout.split("\n") if line.startswith("   ")]
    assert len(ops) == len(texts) - 1
    verdicts = []
    for a, b, line in zip(texts, texts[1:], ops):
        head, tail = f"   {a} ", f" {b}"
        assert line.startswith(head) and line.endswith(tail), line
        verdicts.append({"<": -1, "==": 0, ">": 1}[line[len(head):-len(tail)]])
    return verdicts


def test_agrees_with_maven_comparable_version():
    if shutil.which("java") is None or not os.path.exists(JAR):
        pytest.skip("java or Maven's artifact jar is not installed")
    rng = random.Random(20250)
    real = [t for t in read_versions("maven.txt") if comparable_with_jar(t)]
    rng.shuffle(real)
    mixed = ["1" + "".join(rng.choice(ATOMS) for _ in range(rng.randint(0, 8))) for _ in range(3000)]
    texts = real + [t for t in mixed if comparable_with_jar(t)]
    for _ in range(1500):  # near neighbours: a few atoms more
        base = rng.choice(texts)
        texts += [base, base + "".join(rng.choice(ATOMS) for _ in range(rng.randint(1, 3)))]
    texts = [t for t in texts if comparable_with_jar(t)]
    assert len(real) > 1500 and len(texts) > 6500
    verdicts = jar_verdicts(texts)
    wrong = [(a, b, want, got) for a, b, want in zip(texts, texts[1:], verdicts) if (got := cmp(a, b)) != want]
    assert not wrong, wrong[:10]
