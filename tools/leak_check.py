#!/usr/bin/env python
"""Check that every function and Version member gives back what it takes, on success and on
every kind of failure.

Each case is called many times. Afterwards the reference counts of its arguments (and of the
objects inside them) must be where they were, the interpreter's block count
(sys.getallocatedblocks) must be back at its start, and the process's resident memory must not
have grown: texts of tens of kilobytes make a lost C++ allocation show at once.

    PYTHONPATH=/tmp/ombrel-stage-NAME python tools/leak_check.py [ROUNDS]

Linux only (reads /proc/self/statm). Exits 1 on a leak.
"""

import gc
import itertools
import os
import pickle
import sys

import ombrel
from ombrel import Version

ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
BIG = "1." * 20000 + "rc1"  # 40 kB: a lost copy per call is megabytes per thousand calls
DEEP = "1" + "-1" * 255
TOO_DEEP = "1" + "-1" * 300
SURROGATE = "1.\ud800"


class Boom(Exception):
    pass


class Failing:
    def __len__(self):
        raise Boom

    def __getitem__(self, i):
        if i == 2:
            raise Boom
        return f"{i}.0"


class LyingDict(dict):
    def __missing__(self, key):
        return "9.9"


v_generic = Version("1.2.3-rc.1+b", "generic")
v_maven = Version(DEEP, "maven")
v_big = Version(BIG, "pep440")
v_pep = Version("1!2.0.post1+local.7", "pep440")
OSV = {
    "package": {"ecosystem": "npm"},
    "ranges": [{"type": "SEMVER", "events": [{"introduced": "1.0.0"}, {"fixed": "1.2.0"}]},
               {"events": [{"introduced": "0"}, {"last_affected": "0.5.0"}]}],
    "versions": ["3.0.0", BIG],
}
ADVISORIES = [{"id": "A", "affected": [{**OSV, "package": {"ecosystem": "npm", "name": "w"}}]},
              {"id": "B", "affected": [{"package": {"ecosystem": "npm", "name": "w"},
                                        "ranges": [{"events": [{"fixed": "1.0"}]}]}]}]
DB = ombrel.OsvDatabase(ADVISORIES[:1])
# More range texts than are kept parsed: every call reads one and pushes another out.
RANGES = itertools.cycle([f">={i}.0, <{i + 1}.0 || =={i}.5" for i in range(300)])
VERS = itertools.cycle([f"vers:npm/>={i}.0.0|<{i + 1}.0.0" for i in range(300)])
NATIVE = itertools.cycle([f">={i}.0,<{i + 1}.0,!={i}.5" for i in range(300)])
# More purls than are kept, each parsed twice running: most calls keep one and push another out.
PURLS = itertools.cycle([f"pkg:npm/w{i}@{i}.0.0?a=b#c" for i in range(300)])
HEAVY = itertools.cycle(["^1," * 80 + f"<{i}" for i in range(300)])  # short, but too big to keep

# (callable, args, kwargs): successes first, then each kind of failure.
CASES = [
    (ombrel.version, ("1.2.3",), {}),
    (ombrel.version, (BIG, "pep440"), {}),
    (ombrel.version, ("x", "semver"), {}),
    (ombrel.version, ("1", "nosuch"), {}),
    (ombrel.version, (1,), {}),
    (ombrel.compare, ("1.0", "2.0"), {}),
    (ombrel.compare, (v_generic, BIG, "auto"), {}),
    (ombrel.compare, (BIG, v_big, "pep440"), {}),
    (ombrel.compare, (v_maven, DEEP, "maven"), {}),
    (ombrel.compare, (BIG, "x", "semver"), {}),
    (ombrel.compare, ("1", TOO_DEEP, "maven"), {}),
    (ombrel.compare, (1, "1"), {}),
    (ombrel.compare, ("1", "1", None), {}),
    (ombrel.compare, (SURROGATE, "1"), {}),
    (ombrel.compare, ("1",), {"b": "2", "c": 3}),
    (ombrel.compare_semver_strict, ("1.0.0-rc.1", "1.0.0"), {}),
    (ombrel.compare_semver_strict, ("1.0", "1.0.0"), {}),
    (ombrel.sort_versions, ([BIG, "1.0", v_generic, "2.0"],), {}),
    (ombrel.sort_versions, ([BIG, "1.0", v_generic], "auto"), {}),
    (ombrel.sort_versions, (["1.0.0", "x"], "semver"), {}),
    (ombrel.sort_versions, (Failing(),), {}),
    (ombrel.sort_versions, ({"1.0"},), {}),
    (ombrel.sort_versions, ("1.0",), {}),
    (ombrel.sort_versions, ([1, "1.0"],), {}),
    (ombrel.batch_compare, ([("1", "2"), (v_generic, BIG)],), {}),
    (ombrel.batch_compare, ([("1", "2", "3")],), {}),
    (ombrel.batch_compare, ([["1", "2"]],), {}),
    (ombrel.batch_compare, ([("1.0.0", "x")], "semver"), {}),
    (ombrel.max_version, ([BIG, "1.0", v_generic],), {}),
    (ombrel.max_version, ([],), {}),
    (ombrel.min_version, ([BIG, "1.0", v_big], "pep440"), {}),
    (ombrel.min_version, (["1", None],), {}),
    (ombrel.stable_versions, ([BIG, "1.0", "2.0a1", v_generic],), {}),
    (ombrel.latest_stable, (["2.0a1", "1.0", BIG],), {}),
    (ombrel.latest_stable, (["2.0a1"],), {}),
    (ombrel.latest_stable, ([], "nosuch"), {}),
    (ombrel.satisfies, ("1.5.0", "^1.2 || ~2", "npm"), {}),
    (ombrel.satisfies, ("1.5", ">=1.0," * 2000), {}),
    (ombrel.satisfies, ("1.5", ">= 1.0 2.0"), {}),
    (ombrel.satisfies, ("x", ">=1.0.0", "npm"), {}),
    (lambda: ombrel.satisfies("1.5", next(RANGES), "pep440"), (), {}),
    (ombrel.satisfies, ("0.7", "<0.5 || >=x", "pep440"), {}),
    (lambda: ombrel.satisfies("1.5", next(HEAVY)), (), {}),
    (lambda: ombrel.vers_contains(next(VERS), "1.5.0"), (), {}),
    (lambda: ombrel.native_satisfies("1.5", next(NATIVE), "pep440"), (), {}),
    (ombrel.native_satisfies, ("1.5", ">=1.0,<", "pep440"), {}),
    (ombrel.range_contains, ("1.5", "[1.0,2.0)"), {}),
    (ombrel.range_contains, ("1.5", "[1.0]"), {}),
    (ombrel.ranges_intersect, ("^1 || ^3", "^3.1", "npm"), {}),
    (ombrel.ranges_intersect, ("==1.5 >=2.0", "*"), {}),
    (ombrel.ranges_intersect, (">=abc", "<1", "semver"), {}),
    (ombrel.parse_purl, ("pkg:maven/grp.sub/widget-core@3.12.0?type=jar#src",), {}),
    (ombrel.parse_purl, ("pkg:npm/" + "a//" * 5000 + "x@1",), {}),
    (ombrel.parse_purl, ("pkg:npm//",), {}),
    (lambda: [ombrel.parse_purl(t) for t in itertools.islice(PURLS, 8) for _ in range(2)], (), {}),
    (ombrel.parse_purl, ("PKG:" + BIG,), {}),
    (ombrel.build_purl, ("NPM", "widget", "4.17.21", "ns", "a=b", "x"), {}),
    (ombrel.build_purl, (" ", "widget"), {}),
    (ombrel.build_purl, ("npm", "w"), {"subpath": 1}),
    (ombrel.purl_ecosystem, ("pkg:cargo/widget@1.0",), {}),
    (ombrel.purl_ecosystem, ("pkg:github/foo/bar",), {}),
    (ombrel.purl_ecosystem, ("x",), {}),
    (ombrel.build_vers, ("node", " ^1.2 "), {}),
    (ombrel.build_vers, ("auto", "^1.2"), {}),
    (ombrel.build_vers, ("npm", "1.2"), {}),
    (ombrel.vers_contains, ("vers:npm/^1.2", "1.5.0"), {}),
    (ombrel.vers_contains, ("vers:npm", "1.5.0"), {}),
    (ombrel.vers_contains, ("vers:npm/>=1.0", "1.5.0"), {}),
    (ombrel.osv_affected, ("1.1.0", OSV), {}),
    (ombrel.osv_affected, (BIG, OSV, "generic"), {}),
    (ombrel.osv_affected, ("2.0.0", OSV), {}),
    (ombrel.osv_affected, ("x", OSV), {}),
    (ombrel.osv_affected, ("1", {"ranges": None}), {}),
    (ombrel.osv_affected, ("1", {"package": {"ecosystem": "nosuch"}}), {}),
    (ombrel.osv_affected, ("1", LyingDict(versions=["1", 2])), {}),
    (ombrel.osv_affected, ("1", {"ranges": [{"events": [{"fixed": "1.0 2.0"}]}]}), {}),
    (ombrel.osv_affected, ("1", []), {}),
    (ombrel.OsvDatabase, (ADVISORIES,), {}),
    (ombrel.OsvDatabase, ([{"id": "C", "affected": [{"ranges": [None]}]}],), {}),
    (DB.add, (ADVISORIES[0],), {}),  # replaces itself: the index must not grow
    (DB.query, ("pkg:npm/w@1.1.0",), {}),
    (DB.query, ("pkg:npm/w@" + BIG,), {}),
    (DB.query, ("pkg:npm/w",), {}),
    (DB.query_package, ("npm", "w", "3.0.0"), {}),
    (DB.query_package, ("npm", "w", SURROGATE), {}),
    (ombrel.bump_major, (BIG,), {}),
    (ombrel.bump_minor, ("1.2.3",), {}),
    (ombrel.bump_patch, ("18446744073709551615.0.18446744073709551615",), {}),
    (ombrel.bump_prerelease, ("1.2.3-alpha.1+build", "ALPHA"), {}),
    (ombrel.bump_prerelease, ("1.2.3", None), {}),
    (ombrel.next_stable, (BIG,), {}),
    (ombrel.next_stable, (v_generic,), {}),
    (ombrel.eq, ("1.0", "1.0.0"), {}),
    (ombrel.ne, ("1.0", "x", "semver"), {}),
    (ombrel.lt, (v_generic, "1.0"), {}),
    (ombrel.le, ("1.0", "2.0", "nosuch"), {}),
    (ombrel.gt, (BIG, "1.0", "pep440"), {}),
    (ombrel.ge, ("1.0", SURROGATE), {}),
    (ombrel.gte, ("1.0", "1.0"), {}),
    (ombrel.lte, ("1.0", "1.0"), {"nosuch": 1}),
    # the class
    (Version, (BIG,), {}),
    (Version, (DEEP, "maven"), {}),
    (Version, ("1!2.0.post1+local.7", "auto"), {}),
    (Version, ("x", "semver"), {}),
    (Version, (TOO_DEEP, "maven"), {}),
    (Version, (None,), {}),
    (Version.parse, ("2.4.1-1.el8",), {}),
    (Version.parse, ("1", "nosuch"), {}),
    (Version.try_parse, ("x", "semver"), {}),
    (Version.try_parse, ("1.0.0", "semver"), {}),
    (Version.from_dict, ({"raw": BIG, "ecosystem": "pep440"},), {}),
    (Version.from_dict, ({},), {}),
    (Version.from_dict, ({"raw": "1", "ecosystem": None},), {}),
    (Version.from_dict, (LyingDict(),), {}),
    (v_big.compare, (BIG,), {}),
    (v_big.compare, (v_maven, "maven"), {}),
    (v_big.compare, ("1", "semver"), {}),
    (v_big.compare, (1.0,), {}),
    (v_generic.__eq__, ("1.2.3-rc.1",), {}),
    (v_generic.__lt__, (v_big,), {}),
    (v_pep.__eq__, ("x.1",), {}),
    (v_pep.__lt__, (1,), {}),
    (hash, (v_maven,), {}),
    (hash, (v_big,), {}),
    (v_big.sort_key, (), {}),
    (v_pep.sort_key, (), {}),
    (v_big.to_dict, (), {}),
    (v_maven.__reduce__, (), {}),
    (pickle.dumps, (v_pep,), {}),
    (v_big.segments, (), {}),
    (v_big.release, (), {}),
    (v_generic.__getitem__, (-1,), {}),
    (v_generic.__getitem__, (99,), {}),
    (v_generic.__getitem__, (2**70,), {}),
    (v_generic.__getitem__, ("0",), {}),
    (list, (v_generic,), {}),
    (str, (v_big,), {}),
    (repr, (v_maven,), {}),
    (lambda v: (v.raw, v.ecosystem, v.epoch, v.major, v.minor, v.patch, v.build,
                v.is_prerelease, v.is_postrelease, v.is_stable, len(v), bool(v)), (v_pep,), {}),
]


def objects_in(value, out, depth=0):
    """The argument and the objects it holds whose reference counts a call must not change.
    None and the bools are shared by the whole interpreter, so their counts move anyway."""
    if value is not None and not isinstance(value, bool):
        out.append(value)
    if depth < 3 and isinstance(value, (list, tuple)):
        for item in value:
            objects_in(item, out, depth + 1)
    if depth < 3 and isinstance(value, dict):
        for key, item in value.items():
            objects_in(key, out, depth + 1)
            objects_in(item, out, depth + 1)
    return out


def call(fn, args, kwargs):
    try:
        fn(*args, **kwargs)
    except (TypeError, ValueError, IndexError, OverflowError, Boom):
        pass


def rss_kb():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def main():
    failures = []
    # Warm up: interned keys, docstrings and the interpreter's own caches and free lists fill
    # during the first calls and then stay as they are.
    for _ in range(50):
        for fn, args, kwargs in CASES:
            call(fn, args, kwargs)
    gc.collect()
    blocks, rss = sys.getallocatedblocks(), rss_kb()
    type_refs = sys.getrefcount(Version)

    for fn, args, kwargs in CASES:
        watched = objects_in(args, []) + objects_in(kwargs, [])
        before = [sys.getrefcount(o) for o in watched]
        for _ in range(ROUNDS):
            call(fn, args, kwargs)
        after = [sys.getrefcount(o) for o in watched]
        if before != after:
            name = getattr(fn, "__qualname__", repr(fn))
            failures.append(f"{name}{args!r:.80}: argument reference counts {before} -> {after}")

    # Bound methods made above and exceptions keep nothing once collected.
    gc.collect()
    grown_blocks = sys.getallocatedblocks() - blocks
    grown_kb = rss_kb() - rss
    # A block lost per call of any one case would be ROUNDS blocks; the interpreter's own
    # bookkeeping moves by about a hundred, whatever the number of rounds.
    if grown_blocks > ROUNDS // 2:
        failures.append(f"allocated blocks grew by {grown_blocks}")
    if grown_kb > 4096:
        failures.append(f"resident memory grew by {grown_kb} kB")
    if sys.getrefcount(Version) != type_refs:
        failures.append(f"Version type references {type_refs} -> {sys.getrefcount(Version)}")

    calls = ROUNDS * len(CASES)
    print(f"{len(CASES)} cases x {ROUNDS} rounds = {calls} calls; blocks {grown_blocks:+d}, "
          f"resident memory {grown_kb:+d} kB")
    for f in failures:
        print("LEAK:", f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
