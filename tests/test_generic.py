import pytest
from conftest import U64, assert_ascending, short_id

import ombrel
from ombrel import compare


@pytest.mark.parametrize(
    "a, b",
    [
        ("1.0", "1.0.0"), ("1", "1.0-final"), ("1.0", "1.0.ga"), ("", "0.0"), ("", "final"), ("0:1.0", "1.0"),
        ("1.0.0", "1.00.000"), ("1.0+a", "1.0+b"), ("v1.2", "1.2"), ("  V1.2.3  ", "1.2.3"),
        ("1.0-rc1", "1.0.c.1"), ("1.0pre", "1.0-preview"), ("1.0-ALPHA", "1.0-a"), ("1.0-Foo", "1.0-foo"),
        ("1.0_1", "1.0.1"), ("1.0.0.0.0", "1"), (f"1.{U64}", "1.99999999999999999999"),
        ("9" * 10_000, f"{U64}"), ("007", "7"), ("1:2.0", "1!2.0"), ("1.0", "1.0.."), ("1.0\u00a0", "1.0"),
        ("1.2.3abc€4", "1.2.3.abc.4"), ("a:2.0", "a.2.0"), (":2.0", "2.0"),
    ],
    ids=short_id,
)
def test_equal(a, b):
    assert compare(a, b) == 0
    assert compare(b, a) == 0


@pytest.mark.parametrize(
    "versions",
    [
        ("1.0-alpha", "1.0-alpha.1", "1.0-beta", "1.0-rc.1", "1.0"),
        ("1.0~rc1", "1.0~", "1.0-dev", "1.0-alpha", "1.0"), ("1.0", "1.0^1", "1.0.post"),
        ("1.0-dev", "1.0-alpha", "1.0-beta", "1.0-m", "1.0-rc", "1.0-snapshot", "1.0-bar", "1.0-foo",
         "1.0-ga", "1.0^", "1.0-post"),
        ("1.0-final", "1.0^", "1.0-p"),
        ("1.0", "1.0.0.1", "1.0.1"), ("1.0.rc1", "1.0.1"), ("1.0.a", "1.0.0.1"), ("1.0", "1.0.final.1"),
        # against an exhausted side, a listed tag of release weight or more outranks the end
        ("1.0", "1.0.ga.1"), ("1.0", "1.0.sp"), ("1.0.snapshot", "1.0"), ("1.0.zzz", "1.0"),
        ("1:9.9", "2:1.0"), ("1.9", "1.10"),
        ("1.0-foo", "1.0-fooa", "1.0-fop"), ("1.0-abc", "1.0-ABD"),  # unlisted: bytes after folding
        (f"{U64 - 1}", f"{U64}"),
        (f"{U64 + 1}:1", f"{U64}:0"),  # an epoch too large for 64 bits is not an epoch
    ],
)
def test_order(versions):
    assert_ascending(versions, "generic")


# Listed tags from lowest to highest rank; each group ranks alike, in any case. Unlisted words
# rank between "snapshot" and the release-weight group; the groups below that are pre-releases.
TAG_RANKS = [["~"], ["dev"], ["a", "alpha"], ["b", "beta"], ["m", "milestone"], ["c", "rc", "cr", "pre", "preview"],
             ["snapshot"], ["foo", "x", "snapshox", "milestonf", "previex"], ["ga", "final", "release"], ["^"],
             ["p", "sp", "post", "patch"]]
UNLISTED = 7
RELEASE = 8


@pytest.mark.parametrize("rank, group", enumerate(TAG_RANKS))
def test_tags_rank_in_groups_in_any_case_and_decide_prerelease(rank, group):
    for tag in group:
        for written in (tag, tag.upper(), tag.capitalize()):
            unlisted = rank == UNLISTED  # ordered by their bytes after folding
            assert compare(f"1.0-{written}.1", f"1.0-{group[0]}.1") == unlisted * ((tag > group[0]) - (tag < group[0]))
            assert ombrel.Version(f"1.0-{written}1").is_prerelease is (rank < RELEASE and not unlisted)
            assert ombrel.stable_versions([f"1.0.{written}"]) == ([] if rank < UNLISTED else [f"1.0.{written}"])
        for lower in TAG_RANKS[:rank]:
            assert compare(f"1.0-{lower[-1]}", f"1.0-{tag}") == -1, (lower[-1], tag)
            assert compare(f"1.0.{tag}", f"1.0.{lower[0].upper()}") == 1, (lower[0], tag)
        # against an exhausted side a tag ranks as it does against the release weight
        assert compare(f"1.0.{tag}", "1.0") == (rank > RELEASE) - (rank < RELEASE)


@pytest.mark.parametrize(
    "text, segments, build, epoch, pre, post",
    [
        ("", (), "", 0, False, False), ("  V1.2.3  ", (1, 2, 3), "", 0, False, False),
        ("1:2.0", (2, 0), "", 1, False, False), ("1!2.0", (2, 0), "", 1, False, False),
        ("a:2.0", ("a", 2, 0), "", 0, True, False), ("v1:2.0", (2, 0), "", 1, False, False),
        ("1:v2.0", ("v", 2, 0), "", 1, False, False), (f"{U64 + 1}:1", (U64, 1), "", 0, False, False),
        (f"{U64}:1", (1,), "", U64, False, False), ("1.0+Build.5+x", (1, 0), "Build.5+x", 0, False, False),
        ("1.0 +x", (1, 0), "x", 0, False, False), ("1.0+", (1, 0), "", 0, False, False),
        ("1.0.0-RC1", (1, 0, 0, "rc", 1), "", 0, True, False), ("1.0-final", (1, 0, "final"), "", 0, False, False),
        ("1.0-alpha.post1", (1, 0, "alpha", "post", 1), "", 0, True, True),
        ("1.0~beta", (1, 0, "~", "beta"), "", 0, True, False), ("1.0^git1", (1, 0, "^", "git", 1), "", 0, False, True),
        ("1.0-foo", (1, 0, "foo"), "", 0, False, False), ("2023.10.01", (2023, 10, 1), "", 0, False, False),
        ("1.2.3abc€4", (1, 2, 3, "abc", 4), "", 0, False, False), ("*!/:", (), "", 0, False, False),
        ("v", ("v",), "", 0, False, False),
    ],
)
def test_generic_parse(text, segments, build, epoch, pre, post):
    v = ombrel.Version(text, "generic")
    assert v.segments() == segments
    assert (v.raw, v.build, v.epoch, v.is_prerelease, v.is_postrelease) == (text, build, epoch, pre, post)
