#!/usr/bin/env python
"""Fuzz harness for the Python surface of ombrel (atheris).

Calls every module function, the Version constructors and every Version member with
arbitrary arguments: str (lone surrogates and NULs included), str subclasses, bytes, None,
numbers, lists, tuples, dicts and their subclasses, sequences whose iteration fails midway and
Version objects. A call may only return or raise one of the documented exceptions; anything
else, and any broken invariant, is a finding.

    PYTHONPATH=/tmp/ombrel-stage-NAME python fuzz/python_fuzz.py [libFuzzer flags] [corpus dirs]

With atheris missing, `--plain SECONDS` runs random inputs for that long without coverage
guidance (seed from $SEED, default 0), so the same checks still run where atheris cannot be
installed.
"""

import os
import random
import sys
import time

try:
    import atheris
except ImportError:  # the plain mode below needs none of it
    atheris = None

import ombrel
from ombrel import Version

ECOSYSTEMS = (
    "generic semver pep440 debian rpm ruby maven go npm nuget composer crates hex swift calver "
    "alpine docker conda arch gentoo cran spack dart julia terraform helm cpan nix homebrew freebsd"
).split() + ["auto", "AUTO", "PyPI", "node", "nosuch", ""]

# Pieces that version, range, purl and VERS texts are made of, so that most texts get past the
# first check of a parser.
TOKENS = [
    "0", "1", "2", "9", "10", "007", "18446744073709551615", "18446744073709551616",
    "99999999999999999999999", ".", "-", "_", "+", ":", "!", "~", "^", "v", "V", "a", "b",
    "rc", "alpha", "beta", "dev", "post", "final", "ga", "sp", "snapshot", "SNAPSHOT", "el8",
    "fc38", "deb", "ubuntu", "py38", "r", "x", "*", " ", "\t", "\u00a0", "\u3000", "\x00",
    "\ud800", "\u00e9", "\u00b2", "\u0663", "||", ",", ">=", "<=", "<", ">", "==", "!=", "^",
    "~>", "~=", "[", "]", "(", ")", "pkg:", "vers:", "/", "@", "?", "#", "npm", "maven",
    "pypi", "incompatible", "-SNAPSHOT", "|", "=", "%", "%2A", "%7e", "%C3", "all", "none",
    "golang", "alpm",
]

OSV_KEYS = ["package", "ecosystem", "ranges", "events", "introduced", "fixed",
            "last_affected", "versions", "type", "limit"]

# What each call may raise. UnicodeEncodeError (a lone surrogate) is a ValueError, and the
# harness's own Boom comes from the hostile objects it passes in.
class Boom(Exception):
    pass


ALLOWED = (TypeError, ValueError, IndexError, Boom)


class Str(str):
    """A str subclass whose methods lie: the library must read the underlying text."""

    def __str__(self):
        return "9.9.9"

    def __eq__(self, other):
        return True

    __hash__ = str.__hash__

    def encode(self, *args, **kwargs):
        raise Boom("encode consulted")


class Dict(dict):
    """A dict subclass whose lookups lie: the library reads the dict's own table."""

    def __getitem__(self, key):
        raise Boom("__getitem__ consulted")

    def get(self, key, default=None):
        raise Boom("get consulted")

    def __missing__(self, key):
        raise Boom("__missing__ consulted")


class List(list):
    def __iter__(self):
        raise Boom("__iter__ consulted")


class Failing:
    """A sequence whose iteration raises after `n` items."""

    def __init__(self, items, n):
        self.items, self.n = items, n

    def __len__(self):
        return len(self.items)

    def __getitem__(self, i):
        if i >= self.n:
            raise Boom("iteration failed")
        return self.items[i]


class Gen:
    """Draws values from a byte source: atheris' provider, or a seeded random source."""

    def __init__(self, fdp):
        self.fdp = fdp

    def int(self, lo, hi):
        return self.fdp.ConsumeIntInRange(lo, hi)

    def pick(self, seq):
        return seq[self.int(0, len(seq) - 1)]

    def text(self):
        k = self.int(0, 9)
        if k == 0:
            return self.fdp.ConsumeUnicode(self.int(0, 24))
        if k == 1:  # long runs are where quadratic work and deep nesting hide
            return self.pick(TOKENS) * self.int(1, 3000)
        return "".join(self.pick(TOKENS) for _ in range(self.int(0, 8)))

    def dotted(self):
        parts = [str(self.pick([0, 1, 2, 10, 18446744073709551615])) for _ in range(3)]
        text = ".".join(parts)
        for _ in range(self.int(0, 2)):
            text += self.pick(["-", ".", "+", "~", "^", ""]) + self.pick(TOKENS[:40])
        return text

    def version(self):
        text = self.text()
        try:
            return Version(text, self.pick(ECOSYSTEMS))
        except ValueError:
            return text

    def value(self, depth=0):
        k = self.int(0, 19 if depth < 2 else 11)
        if k <= 4:
            return self.text()
        if k == 5:
            return self.version()
        if k == 6:
            return self.pick([None, True, 0, -1, 2**64, 1.5, float("nan"), b"1.0", bytearray(b"1")])
        if k == 7:
            return Str(self.text())
        if k == 8:
            return self.pick(ECOSYSTEMS)
        if k == 9:
            return self.fdp.ConsumeInt(self.int(1, 12))
        if k <= 11:
            return self.version()
        if k == 12:
            return [self.value(depth + 1) for _ in range(self.int(0, 5))]
        if k == 13:
            return tuple(self.value(depth + 1) for _ in range(self.int(0, 3)))
        if k == 14:
            return {self.pick(OSV_KEYS): self.value(depth + 1) for _ in range(self.int(0, 4))}
        if k == 15:
            return Dict({self.pick(OSV_KEYS): self.value(depth + 1) for _ in range(self.int(0, 3))})
        if k == 16:
            return List(self.value(depth + 1) for _ in range(self.int(0, 3)))
        if k == 17:
            items = [self.value(depth + 1) for _ in range(self.int(0, 4))]
            return Failing(items, self.int(0, len(items)))
        if k == 18:
            return self.osv()
        return [(self.value(depth + 1), self.value(depth + 1)) for _ in range(self.int(0, 3))]

    def osv(self):
        def event():
            return {self.pick(["introduced", "fixed", "last_affected", "limit"]): self.text()}

        ranges = [{"type": self.pick(["ECOSYSTEM", "SEMVER", "GIT", "other"]),
                   "events": [event() for _ in range(self.int(0, 4))]}
                  for _ in range(self.int(0, 3))]
        entry = {"package": {"ecosystem": self.pick(ECOSYSTEMS)}, "ranges": ranges,
                 "versions": [self.text() for _ in range(self.int(0, 2))]}
        return Dict(entry) if self.int(0, 3) == 0 else entry


FUNCTIONS = [getattr(ombrel, name) for name in ombrel._ombrel.__all__[1:] + ombrel._ext.__all__]
KEYWORDS = ["a", "b", "s", "ecosystem", "versions", "pairs", "version", "constraint", "range",
            "left", "right", "purl", "package_type", "name", "namespace", "qualifiers",
            "subpath", "vers", "affected", "tag", "other", "data", "nosuch"]


def check_version_invariants(g):
    eco = g.pick(ECOSYSTEMS[:30])
    a, b = g.text(), g.text()
    try:
        x, y = Version(a, eco), Version(b, eco)
    except ValueError:
        return
    if x == y and hash(x) != hash(y):
        raise AssertionError(f"equal versions {a!r} and {b!r} under {eco} hash differently")
    assert x.compare(x) == 0 and type(x.compare(y)) is int
    assert x.compare(y) == -y.compare(x), (a, b, eco)
    back = Version.from_dict(x.to_dict())
    assert back == x and hash(back) == hash(x) and back.ecosystem == x.ecosystem, (a, eco)


def check_compare(g):
    eco = g.pick(ECOSYSTEMS[:30])
    a, b = g.text(), g.text()
    try:
        ab, ba, aa = ombrel.compare(a, b, eco), ombrel.compare(b, a, eco), ombrel.compare(a, a, eco)
    except ValueError:
        return
    assert type(ab) is int and ab in (-1, 0, 1) and ab == -ba and aa == 0, (a, b, eco)
    objs = [a, b, Version(a, eco) if eco != "auto" else a]
    try:
        out = ombrel.sort_versions(objs, eco)
    except ValueError:
        return
    assert sorted(map(id, out)) == sorted(map(id, objs)), "sort returns the caller's objects"


TOTAL_ORDERS = ["semver", "npm", "crates", "debian", "rpm"]


def check_sorting(g):
    """Under a transitive ordering, sorting, max and min agree with pairwise compare, and
    equal versions keep their input order."""
    eco = g.pick(TOTAL_ORDERS)
    items = ["".join(list(g.dotted())) for _ in range(g.int(2, 9))]  # distinct objects
    try:
        out = ombrel.sort_versions(items, eco)
    except ValueError:
        return
    position = {id(x): i for i, x in enumerate(items)}
    for x, y in zip(out, out[1:]):
        order = ombrel.compare(x, y, eco)
        assert order < 0 or (order == 0 and position[id(x)] < position[id(y)]), (items, eco)
    assert ombrel.max_version(items, eco) is out[-1] or ombrel.compare(
        ombrel.max_version(items, eco), out[-1], eco) == 0
    assert ombrel.min_version(items, eco) is out[0]


def call_member(g):
    v = g.version()
    if not isinstance(v, Version):
        v = Version("1.0")
    other = g.value()
    k = g.int(0, 13)
    if k == 0:
        return v.compare(other, g.value()) if g.int(0, 1) else v.compare(other)
    if k == 1:
        return v == other, v != other
    if k == 2:
        return v < other
    if k == 3:
        idx = g.pick([0, 1, -1, 3, 2**40, 2**63 - 1, -(2**63), 2**64, -(2**63) - 1, other])
        try:
            return v[idx]
        except OverflowError as e:  # beyond 64 bits the index conversion's own error, noted
            assert isinstance(idx, int) and not -(2**63) <= idx < 2**63, idx
            assert e.__notes__ == ["while processing 'idx'"]
            return None
    if k == 4:
        return hash(v), len(v) if hasattr(v, "__len__") else None, bool(v), str(v), repr(v)
    if k == 5:
        return list(v), v.segments(), v.sort_key(), v.to_dict(), v.__reduce__()
    if k == 6:
        return Version.from_dict(other)
    if k == 7:
        return Version.parse(other, g.value()) if g.int(0, 1) else Version.parse(other)
    if k == 8:
        return Version.try_parse(other, g.value())
    if k == 9:
        return Version(other, g.value()) if g.int(0, 1) else Version(other)
    if k == 10:
        return (v.raw, v.ecosystem, v.epoch, v.major, v.minor, v.patch, v.build, v.release,
                v.count(other) if g.int(0, 1) else None, v.is_stable, v.is_prerelease)
    if k == 11:
        return other in v
    if k == 12:
        return sorted([v, g.version(), g.version()], key=lambda x: x.sort_key() if isinstance(x, Version) else ())
    return Version.from_dict({"raw": g.text(), "ecosystem": g.pick(ECOSYSTEMS)})


def check_osv_database(g):
    """The database answers as osv_affected does for a one-entry advisory, and its file reader
    refuses what is not an advisory with ValueError alone."""
    entry = dict(g.osv())
    ecosystem = g.pick(["PyPI", "npm", "Go", "Debian:12", "crates.io", "generic", "nosuch"])
    entry["package"] = {"ecosystem": ecosystem, "name": "p"}
    advisory = {"id": "A", "affected": [entry]} if g.int(0, 3) else g.value()
    try:
        db = ombrel.OsvDatabase([advisory])
    except ValueError:  # a shape that is not an advisory's, or a lone surrogate
        db, advisory = ombrel.OsvDatabase(), None
    version = g.text()
    try:
        expected = ombrel.osv_affected(version, entry)
    except ValueError:
        expected = None
    try:
        got = db.query_package(ecosystem, "p", version)
    except ValueError:
        got = None
    if got is not None:
        assert got in ([], ["A"]), got
        if expected is not None and advisory is not entry and isinstance(advisory, dict):
            assert (got == ["A"]) is expected, (version, entry)
    try:
        ombrel.osv_database._advisories(g.fdp.ConsumeUnicode(g.int(0, 64)).encode("utf-8", "surrogatepass"))
    except ValueError:
        pass
    try:
        db.query(g.pick(["pkg:", "pkg:pypi/p@", "pkg:deb/debian/p@1?distro=", ""]) + g.text())
    except ValueError:
        pass


def check_purl_parsed_again(g):
    """A purl parsed again answers as it did the first time, in a new dict whatever a caller did
    to an earlier one, and a text a piece longer or a character shorter answers for itself."""
    text = "pkg:" + g.pick(["", "npm/", "maven/g/"]) + g.text()
    texts = [text, text + g.pick(TOKENS), text[:-1]]
    first = {}
    for _ in range(g.int(2, 8)):
        t = g.pick(texts)
        try:
            got = ombrel.parse_purl(t)
        except ValueError as e:
            got = (type(e), e.args)
        expected = first.setdefault(t, dict(got) if isinstance(got, dict) else got)
        assert got == expected, t
        if isinstance(got, dict):
            got.clear()


def call_function(g):
    fn = g.pick(FUNCTIONS)
    args = [g.value() for _ in range(g.int(0, 4))]
    kwargs = {g.pick(KEYWORDS): g.value() for _ in range(g.int(0, 1))}
    return fn(*args, **kwargs)


def one_input(fdp):
    g = Gen(fdp)
    for _ in range(g.int(1, 4)):
        k = g.int(0, 12)
        try:
            if k == 0:
                check_version_invariants(g)
            elif k == 11:
                check_osv_database(g)
            elif k == 12:
                check_purl_parsed_again(g)
            elif k == 1:
                check_compare(g)
            elif k == 10:
                check_sorting(g)
            elif k <= 4:
                call_member(g)
            else:
                call_function(g)
        except ALLOWED:
            pass


class RandomProvider:
    """The few FuzzedDataProvider calls the harness makes, from a seeded generator."""

    def __init__(self, rng):
        self.rng = rng

    def ConsumeIntInRange(self, lo, hi):
        return self.rng.randint(lo, hi)

    def ConsumeInt(self, nbytes):
        return self.rng.randint(-(2 ** (8 * nbytes - 1)), 2 ** (8 * nbytes - 1) - 1)

    def ConsumeUnicode(self, n):
        return "".join(chr(self.rng.choice([self.rng.randint(0, 0x7F), self.rng.randint(0, 0x10FFFF)]))
                       for _ in range(n))


def plain(seconds, seed):
    rng = random.Random(seed)
    end = time.monotonic() + seconds
    runs = 0
    while time.monotonic() < end:
        for _ in range(100):
            one_input(RandomProvider(rng))
        runs += 100
    print(f"plain: {runs} inputs in {seconds} s, seed {seed}, no finding")


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "--plain":
        plain(float(sys.argv[2]), int(os.environ.get("SEED", "0")))
        return
    if atheris is None:
        sys.exit("atheris is not installed; run with --plain SECONDS for the unguided harness")

    def test_one_input(data):
        one_input(atheris.FuzzedDataProvider(data))

    atheris.Setup(sys.argv, test_one_input)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
