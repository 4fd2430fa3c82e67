import copy
import json
import os
import pickle
import random
import re
import subprocess
import sys
import weakref

import pytest
from conftest import DATA, ECOSYSTEMS, ORDER_FACTS, U64, raises, unsupported

import ombrel
from ombrel import Version

I64 = 9223372036854775807
SAMPLE = {"go": "v1.2.3-rc.1", "cran": "1.2-3"}  # what each ecosystem accepts
NOT_STR = "'{}' object is not an instance of 'str'"


def test_cannot_be_subclassed_extended_or_weakly_referenced():
    assert (Version.__module__, Version.__qualname__) == ("ombrel", "Version")
    v = Version("1.0")
    for fail in (lambda: type("X", (Version,), {}), lambda: setattr(Version, "foo", 1), lambda: weakref.ref(v)):
        with pytest.raises(TypeError):
            fail()
    for name in ("major", "raw", "foo"):
        with pytest.raises(AttributeError):
            setattr(v, name, 2)
    assert not hasattr(v, "__dict__")


def test_construction_detects_under_auto_and_try_parse_returns_none_only_for_value_errors():
    for name in ("auto", "AUTO", "aUtO"):
        assert Version("1.0~rc1", name).ecosystem == "debian"
        assert Version("x-SNAPSHOT", name).ecosystem == "generic"  # the guess rejects it
    assert Version.parse("1.0~rc1").__reduce__()[1] == ("1.0~rc1", "debian")
    for make in (Version, Version.parse):
        raises(ValueError, unsupported("nosuch"), make, "1.0", "nosuch")
        raises(ValueError, "Expected 3 parts, got 2", make, "1.2", "semver")
        raises(TypeError, NOT_STR.format("NoneType"), make, "1.0", None, note="ecosystem")
    assert Version.try_parse("1.0", "nosuch") is None and Version.try_parse("1.2", "semver") is None
    raises(TypeError, NOT_STR.format("bytes"), Version.try_parse, b"1.0", note="version")
    with pytest.raises(UnicodeEncodeError):
        Version.try_parse("1.0\udc80")
    assert Version.try_parse("x").ecosystem == "generic"  # auto never rejects
    assert Version(version="1.0", ecosystem="generic").raw == Version.parse(ecosystem="pep440", version="1.0").raw


@pytest.mark.parametrize(
    "text, eco, segments, release, mmp, epoch, build, pre, post",
    [
        ("1.0.post2", "generic", (1, 0, "post", 2), (1, 0), (1, 0, 0), 0, "", False, True),
        ("rc1.2.3", "generic", ("rc", 1, 2, 3), (), (0, 1, 2), 0, "", True, False),
        ("1.RC.3", "generic", (1, "rc", 3), (1,), (1, 0, 3), 0, "", True, False),
        ("1:2.3-4", "debian", (2, 3, 4), (2, 3, 4), (2, 3, 4), 1, "", False, False),
        ("1.0.0+Build.7", "semver", (1, 0, 0), (1, 0, 0), (1, 0, 0), 0, "Build.7", False, False),
        (f"{U64 + 1}.{U64}:7", "generic", (U64, U64, 7), (U64, U64, 7), (U64, U64, 7), 0, "", False, False),
        ("", "generic", (), (), (0, 0, 0), 0, "", False, False),
        ("*!/:", "generic", (), (), (0, 0, 0), 0, "", False, False),
        ("1.0+Build.7 \t", "generic", (1, 0), (1, 0), (1, 0, 0), 0, "Build.7", False, False),
    ],
)
def test_properties_read_the_generic_parse(text, eco, segments, release, mmp, epoch, build, pre, post):
    v = Version(text, eco)
    assert v.segments() == segments and v.release() == release
    assert list(v) == list(segments) and [v[i] for i in range(len(v))] == list(segments)
    assert (v.major, v.minor, v.patch, v.epoch, v.build) == (*mmp, epoch, build)
    assert (v.is_prerelease, v.is_postrelease, v.is_stable) == (pre, post, not pre)
    assert len(v) == v.count == len(segments) and bool(v) is bool(segments)
    assert (v.raw, v.ecosystem, str(v)) == (text, eco, text) and type(v.build) is str
    for value in (v.major, v.epoch, v.count, *v.release()):
        assert type(value) is int
    assert all(type(s) is (int if isinstance(s, int) else str) for s in v.segments())


@pytest.mark.parametrize("text", [" 1.0 ", "1'0", "a\nb\\", "1.0-é"])
def test_repr_inserts_the_raw_text_unescaped(text):
    assert repr(Version(text, "generic")) == "Version('" + text + "')"
    assert str(Version(text, "generic")) == text


def test_indexing_counts_from_either_end_and_names_the_index_as_given():
    v = Version("1.2rc3", "generic")
    assert (v[0], v[-1], v[-4], v[True], v[2]) == (1, 3, 1, 2, "rc")
    assert "rc" in v and 3 in v and 5 not in v and "RC" not in v
    for idx in (4, -5, 2**63 - 1, -(2**63)):
        raises(IndexError, f"segment index {idx} out of range (version has 4 segments)", v.__getitem__, idx)
    raises(IndexError, "segment index 0 out of range (version has 0 segments)", Version("").__getitem__, 0)
    for idx, name in (("0", "str"), (slice(0, 1), "slice"), (None, "NoneType")):
        raises(TypeError, f"'{name}' object is not an instance of 'int'", v.__getitem__, idx, note="idx")
    with pytest.raises(OverflowError) as info:
        v[2**63]
    assert info.value.__notes__ == ["while processing 'idx'"]
    with pytest.raises(TypeError):
        reversed(v)


# (<, <=, ==, !=, >, >=)
LESS = (True, True, False, True, False, False)
EQUAL = (False, True, True, False, False, True)
GREATER = (False, False, False, True, True, True)


@pytest.mark.parametrize(
    "a, b, expected",
    [
        (Version("1.0", "generic"), Version("1.0.0", "generic"), EQUAL), (Version("1.0", "generic"), "1.0.0", EQUAL),
        ("2.0", Version("1.0", "generic"), GREATER),
        (Version("1.0.0", "semver"), Version("1.0.0+build.5", "semver"), EQUAL),
        (Version("1.0a", "debian"), "1.0", GREATER),  # the str is read under the Version's rules
        (Version("1.0a", "generic"), "1.0", LESS),
        (Version("1.0+local", "pep440"), Version("1.0", "pep440"), GREATER),
        # different ecosystems: generic rules on the generic parses, whatever PEP 440 says
        (Version("1.0+local", "pep440"), Version("1.0", "generic"), EQUAL),
        (Version("1.0~rc1", "debian"), Version("1.0", "rpm"), LESS),
        (Version("2:1.0", "debian"), Version("3.0", "generic"), GREATER),
    ],
)
def test_rich_comparisons(a, b, expected):
    assert (a < b, a <= b, a == b, a != b, a > b, a >= b) == expected


def test_rich_comparison_with_other_types_is_not_implemented_and_bad_text_raises():
    v = Version("1.0")
    assert (v == 1, v != 1, v == None, v == [v]) == (False, True, False, False)  # noqa: E711
    for op in (lambda: v < 1, lambda: v >= b"1.0"):
        with pytest.raises(TypeError):
            op()
    raises(ValueError, "Expected 3 parts, got 1", lambda: Version("1.0.0", "semver") == "not a version")
    assert sorted([Version("1.10"), Version("1.9"), Version("1.2")]) == ["1.2", "1.9", "1.10"]


def test_compare_method_chooses_its_ecosystem_and_rereads_the_other_side():
    v = Version("1.0+local", "pep440")
    g = Version("1.0", "generic")
    assert v.compare(g) == v.compare(g, None) == v.compare("1.0", "AUTO") == 1
    assert v.compare(g, "generic") == 0 and g.compare(v) == 0
    assert type(v.compare(g)) is int
    assert Version("1.0.0", "semver").compare(Version("1.0.0-rc.1", "generic")) == 1
    raises(ValueError, unsupported("nosuch"), g.compare, "1.0", "nosuch")
    raises(ValueError, "Expected 3 parts, got 2", g.compare, 1.0, "semver")  # its own text is read first
    raises(TypeError, "expected Version or str", g.compare, 1.0)
    raises(TypeError, NOT_STR.format("int"), g.compare, "1.0", 1, note="ecosystem")


def test_module_functions_take_version_objects():
    pep = Version("1.0+local", "pep440")
    assert ombrel.compare(pep, "1.0") == 0  # stored generic parse under the default
    assert ombrel.compare(pep, "1.0", "auto") == 1  # the Version's own ecosystem
    assert ombrel.compare("1.0", pep, "auto") == 0  # detected from the str
    raises(ValueError, "Expected 3 parts, got 2", ombrel.compare, Version("1.2", "generic"), "1.2.0", "semver")


WEIGHTS = {"~": -10, "alpha": 0, "beta": 10, "rc": 20, "snapshot": 25, "^": 32}  # of the tags hashed below


def stream(epoch, sequence):
    out = epoch.to_bytes(8, "little")
    for s in sequence:
        if isinstance(s, int):
            out += b"\0" + s.to_bytes(8, "little")
        elif s in WEIGHTS:
            out += b"\1" + WEIGHTS[s].to_bytes(4, "little", signed=True)
        else:
            out += b"\2" + s.encode() + b"\xff"
    return out


# text, ecosystem, epoch and the normalised sequence as hashed (release-weight tags left out)
HASHED = [
    ("1.0-rc.1", "generic", 0, [1, "rc", 1]), ("1.0.0-rc.1.0", "generic", 0, [1, "rc", 1]),
    ("2:1.0~beta^git1", "generic", 2, [1, "~", "beta", "^", "git", 1]),
    ("1.0-FOO.Bar", "generic", 0, [1, "foo", "bar"]), ("1.final.2.ga.0", "generic", 0, [1, 2]),
    ("0.0-rc", "generic", 0, ["rc"]), (f"{U64 + 5}.1", "generic", 0, [U64, 1]), ("", "generic", 0, []),
    ("1.0.0+build.5", "semver", 0, [1]), ("1!2.0+local.7", "pep440", 1, [2]), ("1:2.0-1", "debian", 1, [2, 0, 1]),
    ("1.0-SNAPSHOT", "maven", 0, [1, "snapshot"]),  # Maven: the canonical rendering is hashed
    ("1.0alpha1", "maven", 0, [1, "alpha", 1]), ("1.0.0-1", "maven", 0, [1, 1]),
]


def test_hash_is_siphash13_of_the_byte_stream_with_a_zero_key():
    # CPython hashes bytes with SipHash-1-3; PYTHONHASHSEED=0 makes its key all zeros (this process has its own).
    streams = [stream(epoch, seq).hex() for _, _, epoch, seq in HASHED]
    code = "import sys\nfor h in sys.argv[1:]: print(hash(bytes.fromhex(h)))"
    out = subprocess.run([sys.executable, "-c", code, *streams], env={**os.environ, "PYTHONHASHSEED": "0"},
                         capture_output=True, text=True, check=True).stdout.split()
    assert [hash(Version(text, eco)) for text, eco, _, _ in HASHED] == [int(h) for h in out]


def broad_texts():
    rng = random.Random(20240517)
    texts = []
    for path in sorted(DATA.glob("*.txt")) if DATA.exists() else []:
        lines = [line for line in path.read_text(encoding="utf-8").splitlines() if line]
        texts += rng.sample(lines, min(300, len(lines)))
    if ORDER_FACTS.exists():
        facts = json.loads(ORDER_FACTS.read_text(encoding="utf-8"))
        texts += [t for kind in facts.values() for fact in kind for pair in fact.values() for t in pair]
    atoms = ["0", "00", "1", "01", "2", "10", "a", "alpha", "b", "Beta", "rc", "c", "pre", "dev", "post", "final",
             "ga", "sp", "foo", "FOO", "snapshot", "~", "^", "+", "!", ":", ".", "-", "_", " ", "é", "v", "r"]
    texts += ["".join(rng.choice(atoms) for _ in range(rng.randint(1, 7))) for _ in range(2500)]
    return list(dict.fromkeys(texts))


def near(rng, text):
    """A text that several ecosystems may call equal to `text`: a padding zero, a leading zero, another
    separator or case, a dropped or added number, an explicit epoch."""
    edits = [
        lambda t: t + ".0", lambda t: t + "0", lambda t: t.replace(".0", "", 1), lambda t: "0" + t,
        lambda t: t.replace(".", rng.choice("-_+~"), 1), lambda t: t.replace("-", rng.choice("._+"), 1),
        lambda t: t.swapcase(), lambda t: "0:" + t, lambda t: "0!" + t, lambda t: t.replace("1", "01", 1),
        lambda t: re.sub(r"([a-z])(\d)", r"\1.\2", t, count=1), lambda t: re.sub(r"([a-z])$", r"\g<1>0", t),
    ]
    return rng.choice(edits)(text)


def test_equal_versions_hash_equal_within_each_ecosystem():
    rng = random.Random(3030)
    texts = broad_texts()
    pairs = [(t, near(rng, t)) for t in texts]
    for eco in ECOSYSTEMS:
        parsed = {t: v for t in {*texts, *(b for _, b in pairs)} if (v := Version.try_parse(t, eco)) is not None}
        versions = sorted(parsed.values())
        couples = [*zip(versions, versions[1:]), *((parsed[a], parsed[b]) for a, b in pairs if a in parsed and b in parsed)]
        assert [(a.raw, b.raw) for a, b in couples if a == b and hash(a) != hash(b)][:3] == [], eco


@pytest.mark.parametrize(
    "a, b, eco",
    [("1.0+1", "1.0.1", "rpm"), ("v1", "v.1", "rpm"), ("1.0-01", "1.0-1", "rpm"), ("1.0+git5", "1.0.git5", "rpm"),
     ("1.0a-1", "1.0a0-1", "debian"), ("0:1.0-0", "1.0", "debian"), ("1.0~-00", "1.0~0-", "debian"),
     ("1.0.0a1", "1.0a1", "pep440"), ("1.0-1", "1.0.post1", "pep440"), ("1.0+01.A", "1.0+1.a", "pep440"),
     (f"{U64 + 1}.0", f"0{U64 + 1}", "pep440"), ("1.0-final", "1.0", "pep440")],
)
def test_versions_equal_only_under_their_ecosystem_hash_alike(a, b, eco):
    x, y = Version(a, eco), Version(b, eco)
    assert x == y and hash(x) == hash(y) and len({x, y}) == 1


END = (1, 30, "")


@pytest.mark.parametrize(
    "text, eco, key",
    [
        ("1.0rc1", "generic", ((2, 0, ""), (2, 1, ""), (1, 20, "rc"), (2, 1, ""), END)),
        (f"{U64}:{U64}", "generic", ((2, I64, ""), (2, I64, ""), END)),
        ("V1.0~RC1", "generic", ((2, 0, ""), (2, 1, ""), (1, -10, "~"), (1, 20, "rc"), (2, 1, ""), END)),
        ("1.final.2.ga", "generic", ((2, 0, ""), (2, 1, ""), (1, 30, "final"), (2, 2, ""), END)),
        ("1.0-Foo", "generic", ((2, 0, ""), (2, 1, ""), (1, 29, "foo"), END)), ("", "generic", ((2, 0, ""), END)),
        ("1.0+Ubuntu.rc.1.0.final", "pep440",
         ((2, 0, ""), (2, 1, ""), END, (1, 29, "ubuntu"), (1, 29, "rc"), (2, 1, ""), END)),
        ("1.0+", "pep440", ((2, 0, ""), (2, 1, ""), END, END)),
        ("1.0+local", "generic", ((2, 0, ""), (2, 1, ""), END)),
        ("1.0.0-1", "maven", ((2, 0, ""), (2, 1, ""), (2, 0, ""), (2, 0, ""), (2, 1, ""), END)),
    ],
)
def test_sort_key(text, eco, key):
    assert Version(text, eco).sort_key() == key


def test_to_dict_layout():
    d = Version("1:2.3.0-rc.1+Build", "generic").to_dict()
    assert list(d.items()) == [("raw", "1:2.3.0-rc.1+Build"), ("ecosystem", "generic"), ("epoch", 1), ("major", 2),
                               ("minor", 3), ("patch", 0), ("build", "Build"), ("is_prerelease", True),
                               ("is_postrelease", False)]
    assert type(d) is dict and type(d["is_prerelease"]) is bool and type(d["epoch"]) is int


@pytest.mark.parametrize("eco", ECOSYSTEMS)
def test_dict_pickle_and_copy_round_trips(eco):
    v = Version(SAMPLE.get(eco, "1.2.3-rc.1"), eco)
    copies = [Version.from_dict(v.to_dict()), copy.copy(v), copy.deepcopy(v)]
    copies += [pickle.loads(pickle.dumps(v, p)) for p in range(pickle.HIGHEST_PROTOCOL + 1)]
    for w in copies:
        assert type(w) is Version and w is not v
        assert (w.raw, w.ecosystem, hash(w), w.sort_key()) == (v.raw, eco, hash(v), v.sort_key())
        assert w == v
    assert v.__reduce__() == (Version, (v.raw, eco))
    assert b"ombrel\nVersion" in pickle.dumps(v, 0)


def test_from_dict_reads_raw_and_ecosystem_only_through_the_dicts_own_lookup():
    class Missing(dict):
        def __missing__(self, key):
            return "1.0"

    class Overridden(dict):
        def __getitem__(self, key):
            return "9.9"

    assert Version.from_dict({"raw": "1.0.post1"}).ecosystem == "pep440"
    assert Version.from_dict(data={"raw": "1.0", "ecosystem": "generic", "major": 9}).major == 1
    assert Version.from_dict(Overridden(raw="1.0", ecosystem="generic")).raw == "1.0"
    raises(ValueError, "missing 'raw' key", Version.from_dict, {})
    raises(ValueError, "missing 'raw' key", Version.from_dict, Missing())
    raises(ValueError, unsupported("nosuch"), Version.from_dict, {"raw": "1.0", "ecosystem": "nosuch"})
    raises(TypeError, NOT_STR.format("int"), Version.from_dict, {"raw": 1})
    raises(TypeError, NOT_STR.format("NoneType"), Version.from_dict, {"raw": "1.0", "ecosystem": None})
    raises(TypeError, "'list' object is not an instance of 'dict'", Version.from_dict, [("raw", "1.0")], note="data")


def test_from_dict_keeps_raw_alive_while_the_lookup_of_ecosystem_runs_python_code():
    class Collider:  # hashes like "ecosystem"; comparing it drops "raw" from the dict
        def __hash__(self):
            return hash("ecosystem")

        def __eq__(self, other):
            data.pop("raw", None)
            return False

    data = {"raw": "".join(["1.2", ".3"]), Collider(): None}
    assert Version.from_dict(data).raw == "1.2.3"
