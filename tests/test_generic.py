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
        ("1.0~rc1", "1.0~", "1.0-dev", "1.0-alpha", "1.0"),
        ("1.0", "1.0^1", "1.0.post"),
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


def test_ten_megabyte_text_is_linear():
    text = "1." * 5_000_000
    assert compare(text, text + "1") == -1


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
