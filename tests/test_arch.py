import random

from conftest import assert_all_equal, assert_ascending, read_versions
from native_oracles import alpm_comparisons

import ombrel


# Letters, separators, epochs and pkgrels are left to the run against libalpm below; these are past it.
def test_epochs_past_64_bits_and_white_space():
    assert_ascending(["9", "0:10", "1:1", "18446744073709551616:0", "99999999999999999999:0"], "arch")
    assert_all_equal([" 1.0-1 ", "1.0-1"], "arch")


def test_ten_megabyte_texts_compare_in_linear_time():
    cases = [("1" + "." * 10**7 + "1", "1.1", 1), ("1a" * 5 * 10**6, "1a" * 5 * 10**6 + "-", 0), ("9" * 10**7 + ":1", "1", 1)]
    assert [ombrel.compare(a, b, "arch") for a, b, _ in cases] == [want for _, _, want in cases]


ARCH = """
1:2.40-1 2.40-2 2:9.1.0000-1 9.1.0016-1 r1234.abcdef0-1 r1234.abcdef1-3 6.6.7.arch1-1 6.6.7.arch1-2
6.6.10.arch1-1 6.6.7.zen1-1 2.2.0rc1-1 2.2.0-1 2.2.0.r5.g1234abc-1 1.16.0+12+g1234-2 1.16.0+2+gabc-1
20240101.1.0-1 20240101-1 0.9.9_beta-1 0.9.9beta-1 0.9.9-1 0.9.9.1-1 1.0pre1-1 1.0.pre-1 1.0-0.1
3:1.2-1 3:1.2-1.1 1.2.3-1.0 1.2.3-1.a 1:0-1 0.0.0-1 1.0a-1 1.0b-1 1.0.r1-1 1..0-1 v1.0-1 1.0~beta-1
""".split()


def generated(rng, count):
    alphabet = "0123456789" * 2 + "0abzA.._+~^-:"
    out = []
    while len(out) < count:
        epoch = rng.choice(["", "", "1:", "01:", ":"])
        text = epoch + "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 8)))
        if ombrel.Version.try_parse(text, "arch") is not None:
            out.append(text)
    return out


def test_agrees_with_pacman():
    rng = random.Random(2718)
    debian = [t for t in rng.sample(read_versions("debian.txt"), 150) if ombrel.Version.try_parse(t, "arch")]
    texts = ARCH + debian + generated(rng, 250)
    pairs = [(a, b) for i, a in enumerate(texts) for b in texts[i:]]
    wrong = [(a, b, want, got) for (a, b), want in zip(pairs, alpm_comparisons(pairs))
             if (got := ombrel.compare(a, b, "arch")) != max(-1, min(1, want))]
    assert wrong[:5] == []
