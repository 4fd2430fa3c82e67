"""Side-by-side timings of ombrel and the libraries Python users reach for today.

    python bench/run.py [--quick] [--json PATH] [--repeat N]

Every statement is timed by `timeit` in one process with the same loop shape, the floor (a
trivial built-in call on the same two `str` objects) included, so that loop and call overhead
count alike on every row. Repetitions are interleaved (each round times every statement once)
and the median is reported. Peers that are not installed are skipped. The figures are printed as
one table and written as JSON; nothing is asserted about them.
"""

from __future__ import annotations

import argparse
import datetime
import importlib
import importlib.metadata
import json
import math
import operator
import os
import platform
import random
import statistics
import subprocess
import sys
import tempfile
import time
import timeit
from dataclasses import dataclass, field
from pathlib import Path

import ombrel

PEERS = ("packaging", "semver", "packageurl", "libversion", "univers")
PEER_DISTS = {"packageurl": "packageurl-python"}


def load_peers() -> dict[str, object]:
    found = {}
    for name in PEERS:
        try:
            found[name] = importlib.import_module(name)
        except ImportError:
            continue
    if "packaging" in found:
        importlib.import_module("packaging.version")
        importlib.import_module("packaging.specifiers")
    if "univers" in found:
        importlib.import_module("univers.versions")
    return found


# ---- inputs ----

# The two comparisons, timed under every scheme that accepts them; then the same two
# orderings written in the syntax of the schemes that have one of their own.
PAIR = ("1.2.3", "1.2.4")
PRE_PAIR = ("1.2.3-rc.1+build.5", "1.2.3-rc.2")
NATIVE_PAIRS = {
    "pep440": ("1.2.3rc1+build.5", "1.2.3rc2"),
    "debian": ("1:1.2.3~rc1-1ubuntu2", "1:1.2.3~rc2-1"),
    "rpm": ("1.2.3~rc1-1.el9", "1.2.3~rc2-1.el9"),
    "maven": ("1.2.3-rc-1", "1.2.3-SNAPSHOT"),
    "ruby": ("1.2.3.rc1", "1.2.3.rc2"),
    "composer": ("v1.2.3-RC1", "1.2.3-RC2"),
    "cpan": ("1.002003_01", "v1.2.3"),
    "nix": ("1.2.3pre1", "1.2.3-rc2"),
}
# Ordered as each one's tool orders it, within 1.5x the generic pre-release compare.
TOOL_ORDERED = ("ruby", "composer", "cpan", "nix")
ECOSYSTEMS = ("generic", "semver", "pep440", "debian", "rpm", "maven", "auto")
# Every ecosystem, each with PAIR written in its own shape where it needs one.
ALL_ECOSYSTEMS = ("generic", "semver", "pep440", "debian", "rpm", "ruby", "maven", "go", "npm",
                  "nuget", "composer", "crates", "hex", "swift", "calver", "alpine", "docker",
                  "conda", "arch", "gentoo", "cran", "spack", "dart", "julia", "terraform", "helm",
                  "cpan", "nix", "homebrew", "freebsd")
SHAPED_PAIRS = {"go": ("v1.2.3", "v1.2.4")}
# Ordinary releases and pre-releases, whose Version objects the memory figure is taken over.
MEMORY_TEXTS = ("1.2.3", "10.20.30", "1.2.3rc1", "2.0.0-beta.2", "4.2.10", "0.9.1a3")
PURL = "pkg:maven/org.apache.commons/commons-lang3@3.14.0?type=jar&classifier=sources#src/main"
CARET = ("1.5.0", "^1.2.3")
TWO_COMPARATORS = ("1.5.0", ">=1.2.3,<2.0.0")
INTERSECT = ("^1.2.3", ">=1.5.0,<3.0.0")
STANDARD_VERS = "vers:npm/>=1.2.3|<2.0.0"  # TWO_COMPARATORS in the standard's syntax
DIALECT_VERS = "vers:npm/^1.2.3 || ~0.9.1 || >=3.0.0 <3.1.0 !=3.0.5"
OSV_ENTRY = {
    "package": {"ecosystem": "PyPI", "name": "django"},
    "ranges": [
        {
            "type": "ECOSYSTEM",
            "events": [
                {"introduced": "3.2"},
                {"fixed": "3.2.25"},
                {"introduced": "4.2"},
                {"fixed": "4.2.11"},
                {"introduced": "5.0"},
                {"fixed": "5.0.3"},
            ],
        }
    ],
    "versions": ["3.2.20", "3.2.21", "4.2.8", "4.2.9", "4.2.10", "5.0.1", "5.0.2"],
}
# Real advisories for the database rows when the shared sample is beside the repository.
OSV_DIR = Path(__file__).resolve().parents[2] / "shared" / "data" / "osv" / "PyPI"


def release(rng: random.Random) -> list[int]:
    return [rng.choice((0, 1, 1, 2, 3, 4, 5, 10, 12, 20)), rng.randrange(30), rng.randrange(60)]


def realistic_versions(rng: random.Random, n: int) -> list[str]:
    """Release, pre-release, post-release, epoch and distribution-revision shapes."""
    out = []
    for _ in range(n):
        r = ".".join(map(str, release(rng)))
        shape = rng.random()
        if shape < 0.45:
            v = r
        elif shape < 0.6:
            v = f"{r}-{rng.choice(('alpha', 'beta', 'rc'))}.{rng.randrange(1, 6)}"
        elif shape < 0.7:
            v = f"{r}{rng.choice(('a', 'b', 'rc'))}{rng.randrange(1, 6)}"
        elif shape < 0.78:
            v = f"{r}.post{rng.randrange(1, 4)}"
        elif shape < 0.84:
            v = f"{rng.randrange(1, 3)}:{r}"
        elif shape < 0.93:
            v = f"{r}-{rng.randrange(1, 9)}ubuntu{rng.randrange(1, 4)}"
        else:
            v = f"{r}-{rng.randrange(1, 9)}.el{rng.choice((7, 8, 9))}"
        out.append(v)
    return out


def pep440_versions(rng: random.Random, n: int) -> list[str]:
    out = []
    for _ in range(n):
        v = ".".join(map(str, release(rng)))
        shape = rng.random()
        if shape < 0.2:
            v += f"{rng.choice(('a', 'b', 'rc'))}{rng.randrange(1, 6)}"
        elif shape < 0.3:
            v += f".post{rng.randrange(1, 4)}"
        elif shape < 0.35:
            v += f".dev{rng.randrange(1, 9)}"
        elif shape < 0.4:
            v = f"1!{v}"
        out.append(v)
    return out


def semver_versions(rng: random.Random, n: int) -> list[str]:
    out = []
    for _ in range(n):
        v = ".".join(map(str, release(rng)))
        shape = rng.random()
        if shape < 0.3:
            v += f"-{rng.choice(('alpha', 'beta', 'rc'))}.{rng.randrange(1, 6)}"
        elif shape < 0.4:
            v += f"+build.{rng.randrange(1, 500)}"
        out.append(v)
    return out


# ---- cases ----


@dataclass
class Case:
    key: str  # unique; ombrel rows are keyed by operation
    label: str
    stmt: str
    env: dict
    elements: int = 1  # elements handled per call (sorting), for the per-element figures
    peers: dict = field(default_factory=dict)  # ombrel rows: peer name -> key of its case
    samples: list = field(default_factory=list)  # ns per call, one per round
    floor_samples: list = field(default_factory=list)  # the floor, timed just before each sample

    @property
    def ns(self) -> float:
        return statistics.median(self.samples)

    @property
    def floor_multiple(self) -> float:
        return statistics.median(s / f for s, f in zip(self.samples, self.floor_samples))

    def times_faster(self, peer: "Case") -> float:
        """The peer's time per element over ours, round by round (both timed in the same round),
        median."""
        return statistics.median((p / peer.elements) / (s / self.elements)
                                 for p, s in zip(peer.samples, self.samples))


def build_cases(peers: dict, sizes: tuple[int, ...]) -> tuple[Case, list[Case], list[Case]]:
    rng = random.Random(20240607)
    env = {"ombrel": ombrel, "operator": operator, **peers}
    if "packaging" in peers:
        env["PV"] = peers["packaging"].version.Version
        env["SpecifierSet"] = peers["packaging"].specifiers.SpecifierSet
    if "semver" in peers:
        env["SV"] = peers["semver"].Version
    if "packageurl" in peers:
        env["PackageURL"] = peers["packageurl"].PackageURL
    if "univers" in peers:
        env["uv"] = peers["univers"].versions

    ours: list[Case] = []
    theirs: list[Case] = []

    def peer(name: str, key: str, label: str, stmt: str, extra: dict | None = None, elements=1):
        if name not in peers:
            return None
        theirs.append(Case(key, label, stmt, {**env, **(extra or {})}, elements))
        return key

    def row(key: str, stmt: str, extra: dict | None = None, elements=1, **peer_keys):
        links = {p: k for p, k in peer_keys.items() if k}
        ours.append(Case(key, key, stmt, {**env, **(extra or {})}, elements, links))

    a, b = PAIR
    # The floor is looked up as ombrel's functions are: an attribute of a module.
    floor = Case("floor", "floor: operator.lt(a, b)", "operator.lt(a, b)", {**env, "a": a, "b": b})

    univers_class = {"generic": "GenericVersion", "semver": "SemverVersion", "pep440": "PypiVersion",
                     "debian": "DebianVersion", "rpm": "RpmVersion", "maven": "MavenVersion"}
    cases = [(eco, kind, pair) for eco in ECOSYSTEMS
             for kind, pair in (("release", PAIR), ("pre-release", PRE_PAIR))]
    cases += [(eco, "native pre-release", pair) for eco, pair in NATIVE_PAIRS.items()]
    for eco, kind, (x, y) in cases:
        v = {"a": x, "b": y}
        call = "ombrel.compare(a, b)" if eco == "generic" else f"ombrel.compare(a, b, {eco!r})"
        links = {}
        tag = f"{eco} {kind}"
        if eco == "pep440":
            links["packaging"] = peer("packaging", f"packaging {tag}", "Version(a) < Version(b)",
                                      "PV(a) < PV(b)", v)
        if eco == "semver":
            links["semver"] = peer("semver", f"semver {tag}", "semver.compare(a, b)",
                                   "semver.compare(a, b)", v)
        if eco == "generic":
            links["libversion"] = peer("libversion", f"libversion {tag}", "version_compare(a, b)",
                                       "libversion.version_compare(a, b)", v)
        if eco in univers_class:
            cls = univers_class[eco]
            links["univers"] = peer("univers", f"univers {tag}", f"{cls}(a) < {cls}(b)",
                                    f"uv.{cls}(a) < uv.{cls}(b)", v)
        row(f"compare {tag}", call, v, **links)

    for eco in ALL_ECOSYSTEMS:
        x, y = SHAPED_PAIRS.get(eco, PAIR)
        if eco not in ECOSYSTEMS:
            row(f"compare {eco} release", f"ombrel.compare(a, b, {eco!r})", {"a": x, "b": y})
        row(f"Version {eco}", f"ombrel.Version(a, {eco!r})", {"a": x})

    # Construction: the text is parsed under the named scheme (auto detects it first).
    c = {"s": PRE_PAIR[0], "p": "1.2.3rc1.post2"}
    row("Version(s) auto", "ombrel.Version(s)", c)
    row("Version(s, 'semver')", "ombrel.Version(s, 'semver')", c,
        semver=peer("semver", "semver parse", "Version.parse(s)", "SV.parse(s)", c))
    row("Version(p, 'pep440')", "ombrel.Version(p, 'pep440')", c,
        packaging=peer("packaging", "packaging parse", "Version(p)", "PV(p)", c))

    # Collections.
    for n in sizes:
        mixed = {"vs": realistic_versions(rng, n)}
        row(f"sort_versions n={n}", "ombrel.sort_versions(vs)", mixed, elements=n)
    n = sizes[-1]
    pep = {"vs": pep440_versions(rng, n)}
    sem = {"vs": semver_versions(rng, n)}
    # The peers sort a tenth as many at most (seconds a call otherwise), compared per element:
    # a sort's cost per element grows with n, so this favours them.
    m = min(n, 10_000)
    pep_m, sem_m = {"vs": pep["vs"][:m]}, {"vs": sem["vs"][:m]}
    row(f"sort_versions pep440 n={n}", "ombrel.sort_versions(vs, 'pep440')", pep, elements=n,
        packaging=peer("packaging", f"packaging sort n={m}", f"sorted(key=Version), n={m}",
                       "sorted(vs, key=PV)", pep_m, m))
    row(f"sort_versions semver n={n}", "ombrel.sort_versions(vs, 'semver')", sem, elements=n,
        semver=peer("semver", f"semver sort n={m}", f"sorted(key=Version.parse), n={m}",
                    "sorted(vs, key=SV.parse)", sem_m, m))
    row(f"sorted() pep440 strs n={n}", "sorted(vs)", pep, elements=n)
    row(f"max_version pep440 n={n}", "ombrel.max_version(vs, 'pep440')", pep, elements=n,
        packaging=peer("packaging", f"packaging max n={m}", f"max(key=Version), n={m}",
                       "max(vs, key=PV)", pep_m, m))

    # Ranges. The range text is parsed on every call, on both sides.
    for label, (v, r) in (("caret", CARET), ("two comparators", TWO_COMPARATORS)):
        e = {"v": v, "r": r, "lo": ">=1.2.3", "hi": "<2.0.0"}
        row(f"satisfies {label} semver", "ombrel.satisfies(v, r, 'semver')", e,
            semver=peer("semver", f"semver match {label}", "match(v, lo) and match(v, hi)",
                        "semver.match(v, lo) and semver.match(v, hi)", e))
    e = {"v": TWO_COMPARATORS[0], "r": TWO_COMPARATORS[1]}
    row("satisfies two comparators pep440", "ombrel.satisfies(v, r, 'pep440')", e,
        packaging=peer("packaging", "packaging contains", "SpecifierSet(r).contains(v)",
                       "SpecifierSet(r).contains(v)", e))
    if "packaging" in peers:
        e["spec"] = env["SpecifierSet"](TWO_COMPARATORS[1])
        peer("packaging", "packaging contains prebuilt", "SpecifierSet.contains(v), set built once",
             "spec.contains(v)", e)
    e = {"v": TWO_COMPARATORS[0], "r": TWO_COMPARATORS[1]}
    row("range_contains two comparators semver", "ombrel.range_contains(v, r, 'semver')", e)
    # Each ecosystem's own syntax against the tool that defines it.
    e = {"v": "1.2.3", "r": ">=1.0,<2.0"}
    row("native_satisfies pep440", "ombrel.native_satisfies(v, r, 'pep440')", e,
        packaging=peer("packaging", "packaging contains native", "SpecifierSet(r).contains(v)",
                       "SpecifierSet(r).contains(v)", e))
    e = {"vs": pep440_versions(random.Random(16), 10_000), "r": ">=1.0,<2.0"}
    row("native_filter pep440 n=10000", "ombrel.native_filter(vs, r, 'pep440')", e,
        elements=10_000,
        packaging=peer("packaging", "packaging filter n=10000", "list(SpecifierSet(r).filter(vs))",
                       "list(SpecifierSet(r).filter(vs))", e, elements=10_000))
    row("ranges_intersect", "ombrel.ranges_intersect(l, r, 'semver')",
        {"l": INTERSECT[0], "r": INTERSECT[1]})
    # A standard VERS text against the same constraints in the range language.
    e = {"v": TWO_COMPARATORS[0], "r": TWO_COMPARATORS[1], "s": STANDARD_VERS}
    row("satisfies two comparators npm", "ombrel.satisfies(v, r, 'npm')", e)
    row("compare npm, beside its ranges", "ombrel.compare(v, '2.0.0', 'npm')", e)
    row("vers_contains standard npm", "ombrel.vers_contains(s, v)", e)
    row("vers_canonical dialect npm", "ombrel.vers_canonical(d)", {"d": DIALECT_VERS})

    # Package URLs and advisories.
    e = {"p": PURL}
    row("parse_purl", "ombrel.parse_purl(p)", e,
        packageurl=peer("packageurl", "packageurl parse", "PackageURL.from_string(p)",
                        "PackageURL.from_string(p)", e))
    row("osv_affected", "ombrel.osv_affected(v, entry)", {"v": "4.2.10", "entry": OSV_ENTRY})
    osv_dir = advisory_dir(rng)
    db = ombrel.OsvDatabase.load(osv_dir)
    db.add({"id": "PYSEC-BENCH", "affected": [OSV_ENTRY]})
    row("OsvDatabase.query", "db.query(p)", {"db": db, "p": "pkg:pypi/django@4.2.10"})
    e = {"d": osv_dir, "json": json, "Path": Path, "OsvDatabase": ombrel.OsvDatabase}
    row("OsvDatabase.load directory", "OsvDatabase.load(d)", e)
    row("json.loads of the same files",
        "[json.loads(p.read_bytes()) for p in sorted(Path(d).rglob('*.json'))]", e)
    return floor, ours, theirs


def advisory_dir(rng: random.Random) -> str:
    """The shared PyPI advisories, or as many made up in a temporary directory."""
    if OSV_DIR.is_dir():
        return str(OSV_DIR)
    root = Path(tempfile.mkdtemp(prefix="ombrel-bench-"))
    for i in range(650):
        versions = sorted({f"{rng.randrange(5)}.{rng.randrange(20)}.{rng.randrange(10)}" for _ in range(40)})
        events = [{"introduced": "0"}, {"fixed": versions[-1]}]
        advisory = {"id": f"PYSEC-{i}", "summary": "x" * rng.randrange(200, 2000), "affected": [
            {"package": {"ecosystem": "PyPI", "name": f"pkg{i % 260}"}, "versions": versions[:-1],
             "ranges": [{"type": "GIT", "events": [{"introduced": "0"}, {"fixed": "ab" * 20}]},
                        {"type": "ECOSYSTEM", "events": events}]}]}
        (root / f"pkg{i % 260}").mkdir(exist_ok=True)
        (root / f"pkg{i % 260}" / f"PYSEC-{i}.json").write_text(json.dumps(advisory, indent=1))
    return str(root)


# ---- measurement ----


def calibrate(case: Case, budget: float) -> tuple[timeit.Timer, int]:
    """A timer for the statement and the number of calls that take about `budget` seconds."""
    timer = timeit.Timer(case.stmt, globals=case.env)
    number, elapsed = 1, timer.timeit(1)
    while elapsed < budget / 10 and number < 1 << 24:
        number *= 10
        elapsed = timer.timeit(number)
    return timer, max(1, round(number * budget / max(elapsed, 1e-9)))


def measure(floor: Case, ours: list[Case], theirs: list[Case], rounds: int, budget: float) -> None:
    """Each round times every statement once: each ombrel statement right after the floor and
    right before its peers, so that a change in the machine's load between rounds affects the
    ratios of a round alike."""
    timers = {id(c): calibrate(c, budget) for c in [floor] + ours + theirs}
    linked = {k for c in ours for k in c.peers.values()}
    by_key = {c.key: c for c in theirs}

    def sample(case: Case) -> float:
        timer, number = timers[id(case)]
        return timer.timeit(number) / number * 1e9

    for _ in range(rounds):
        for case in ours:
            case.floor_samples.append(sample(floor))
            case.samples.append(sample(case))
            for key in case.peers.values():
                by_key[key].samples.append(sample(by_key[key]))
        floor.samples.append(sample(floor))
        for case in theirs:
            if case.key not in linked:
                case.samples.append(sample(case))


MEMORY_PROBE = """
import gc, os, sys
mod, cls, n, texts = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
make = getattr(__import__(mod, fromlist=[cls]), cls)
strs = [str(t) for t in texts] * (n // len(texts) + 1)
strs = [s.encode().decode() for s in strs[:n]]  # one str object each, as read from a file
out = [None] * n
def rss():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
gc.collect()
before = rss()
for i, s in enumerate(strs):
    out[i] = make(s)
gc.collect()
print((rss() - before) / n)
"""


def memory_per_version(peers: dict, n: int) -> dict:
    """Resident bytes per object, `n` objects of MEMORY_TEXTS kept alive in a fresh process
    (the list that holds them and the texts are made before the first reading)."""
    out = {}
    makers = {"ombrel": ("ombrel", "Version"), "packaging": ("packaging.version", "Version")}
    for name, (mod, cls) in makers.items():
        if name != "ombrel" and name not in peers:
            continue
        try:
            r = subprocess.run([sys.executable, "-c", MEMORY_PROBE, mod, cls, str(n),
                                *MEMORY_TEXTS], capture_output=True, text=True, check=True)
            out[name] = float(r.stdout)
        except (subprocess.CalledProcessError, ValueError, OSError):
            continue
    return out


# ---- targets and report ----


SORT_MEMORY = """
import random, resource, sys
import ombrel
sys.path.insert(0, {here!r})
from run import pep440_versions
vs = pep440_versions(random.Random(3), {n})
ombrel.sort_versions(vs[:1000], "pep440")
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
ombrel.sort_versions(vs, "pep440")
print((resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) * 1024 / len(vs))
"""


def sort_memory(n: int) -> float:
    """Bytes per element by which sorting n PEP 440 strs raises the peak resident memory of a
    process that holds them (the result list included), measured in a process of its own."""
    code = SORT_MEMORY.format(here=os.path.dirname(os.path.abspath(__file__)), n=n)
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    return float(out.stdout)


def targets(floor: Case, ours: dict, theirs: dict, sizes, sort_bytes=None,
            memory: dict | None = None) -> list[dict]:
    out = []

    def add(name, value, limit, at_most: bool):
        if value is None:
            return
        holds = value <= limit if at_most else value >= limit
        out.append({"target": name, "value": round(value, 2),
                    "limit": ("<= " if at_most else ">= ") + str(limit), "holds": holds})

    for eco in ALL_ECOSYSTEMS:
        add(f"compare {eco} release, x floor", ours[f"compare {eco} release"].floor_multiple,
            2.5 if eco == "pep440" else 3, True)
    for eco in ("generic", "semver", "debian", "rpm", "maven"):
        add(f"compare {eco} pre-release, x floor",
            ours[f"compare {eco} pre-release"].floor_multiple, 4, True)
    add("compare maven native pre-release, x floor",
        ours["compare maven native pre-release"].floor_multiple, 4, True)
    for eco in ALL_ECOSYSTEMS:
        add(f"Version(s, {eco!r}), x floor", ours[f"Version {eco}"].floor_multiple, 4, True)
    add("Version(s) auto, x floor", ours["Version(s) auto"].floor_multiple, 5, True)
    add("parse_purl, x floor", ours["parse_purl"].floor_multiple, 5, True)
    if memory:
        add("Version resident bytes, ordinary releases and pre-releases",
            memory.get("ombrel"), 160, True)
        if memory.get("packaging"):
            add("Version resident bytes, x packaging's",
                memory["ombrel"] / memory["packaging"], 0.6, True)

    generic_pre = ours["compare generic pre-release"].ns
    for eco in TOOL_ORDERED:
        add(f"compare {eco} native pre-release, x generic pre-release",
            ours[f"compare {eco} native pre-release"].ns / generic_pre, 1.5, True)

    def faster(key, peer):
        case = ours.get(key)
        link = case.peers.get(peer) if case else None
        return case.times_faster(theirs[link]) if link in theirs else None

    n = sizes[-1]
    for key, peer in (("compare pep440 release", "packaging"),
                      ("compare pep440 pre-release", "packaging"),
                      ("compare semver release", "semver"),
                      ("compare semver pre-release", "semver"),
                      (f"sort_versions pep440 n={n}", "packaging"),
                      (f"sort_versions semver n={n}", "semver"),
                      ("satisfies two comparators pep440", "packaging"),
                      ("satisfies caret semver", "semver"),
                      ("satisfies two comparators semver", "semver"),
                      ("native_satisfies pep440", "packaging"),
                      ("native_filter pep440 n=10000", "packaging")):
        add(f"{key}, times faster than {peer}", faster(key, peer), 30, False)
    add("parse_purl, times faster than packageurl", faster("parse_purl", "packageurl"), 20, False)
    standard, dialect = ours["vers_contains standard npm"], ours["satisfies two comparators npm"]
    add("vers_contains standard, x satisfies on the same constraints",
        statistics.median(s / d for s, d in zip(standard.samples, dialect.samples)), 1.5, True)
    for kind in ("release", "pre-release"):
        add(f"compare generic {kind}, times faster than libversion",
            faster(f"compare generic {kind}", "libversion"), 1, False)
    # A repeated range text is read once: a test costs about one comparison.
    for key, base in (("satisfies two comparators semver", "compare semver release"),
                      ("range_contains two comparators semver", "compare semver release"),
                      ("satisfies two comparators pep440", "compare pep440 release"),
                      ("native_satisfies pep440", "compare pep440 release"),
                      ("vers_contains standard npm", "compare npm, beside its ranges")):
        add(f"{key}, x {base}", ours[key].ns / ours[base].ns, 2, True)
    add(f"sort_versions pep440 n={n}, x sorted() of the same strs",
        ours[f"sort_versions pep440 n={n}"].ns / ours[f"sorted() pep440 strs n={n}"].ns, 1.3, True)
    add("OsvDatabase.query, x one osv_affected call on one entry",
        ours["OsvDatabase.query"].ns / ours["osv_affected"].ns, 3, True)
    add("OsvDatabase.load of a directory, x json alone reading the same files",
        ours["OsvDatabase.load directory"].ns / ours["json.loads of the same files"].ns, 1.5, True)
    if sort_bytes:
        m, value = sort_bytes
        add(f"sort_versions pep440 n={m}, temporary bytes per element", value, 100, True)
    per = {m: ours[f"sort_versions n={m}"].ns / m for m in sizes}
    if len(sizes) > 1:
        lo, hi = sizes[0], sizes[-1]
        # At most 2x over a hundredfold growth of the list, the same rate over the quick run's.
        add(f"sort_versions per-element growth n={lo} to n={hi}", per[hi] / per[lo],
            round(2 ** (math.log(hi / lo) / math.log(100)), 2), True)
    return out


def machine() -> dict:
    cpu = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return {
        "cpu": cpu,
        "cores": os.cpu_count(),
        "python": platform.python_version(),
        "implementation": platform.python_implementation(),
        "platform": platform.platform(),
    }


def ombrel_version() -> str:
    try:
        return importlib.metadata.version("ombrel")
    except importlib.metadata.PackageNotFoundError:
        return "(not installed)"


def fmt_ns(ns: float) -> str:
    if ns >= 1e6:
        return f"{ns / 1e6:,.2f} ms"
    if ns >= 1e4:
        return f"{ns / 1e3:,.1f} us"
    return f"{ns:,.1f} ns"


def render(floor: Case, ours: list[Case], theirs: dict, peer_names: list[str],
           markdown: bool = False) -> str:
    head = ["operation", "time/op", "x floor"] + [f"vs {p}" for p in peer_names]
    lines = [[floor.label, fmt_ns(floor.ns), "1.0"] + [""] * len(peer_names)]
    for c in ours:
        cells = [c.label, fmt_ns(c.ns), f"{c.floor_multiple:,.1f}"]
        for p in peer_names:
            link = c.peers.get(p)
            cells.append(f"{c.times_faster(theirs[link]):,.1f}x" if link in theirs else "")
        lines.append(cells)
    if markdown:
        rows = [head, ["---"] + ["---:"] * (len(head) - 1)] + lines
        return "\n".join("| " + " | ".join(r) + " |" for r in rows)
    widths = [max(len(r[i]) for r in [head] + lines) for i in range(len(head))]
    rule = "  ".join("-" * w for w in widths)

    def line(cells):
        return "  ".join(cell.ljust(w) if i == 0 else cell.rjust(w)
                         for i, (cell, w) in enumerate(zip(cells, widths))).rstrip()

    return "\n".join([line(head), rule] + [line(r) for r in lines])


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--quick", action="store_true", help="a few seconds: fewer rounds, smaller lists")
    ap.add_argument("--repeat", type=int, help="rounds per statement (default 7, quick 3)")
    ap.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    ap.add_argument("--json", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                   "results.json"),
                    help="where to write the JSON results (default bench/results.json)")
    args = ap.parse_args(argv)

    rounds = args.repeat or (3 if args.quick else 7)
    budget = 0.002 if args.quick else 0.035
    sizes = (1_000, 10_000) if args.quick else (1_000, 10_000, 100_000)
    peers = load_peers()
    missing = [PEER_DISTS.get(p, p) for p in PEERS if p not in peers]

    floor, ours, theirs = build_cases(peers, sizes)
    started = time.perf_counter()
    measure(floor, ours, theirs, rounds, budget)
    by_key = {c.key: c for c in theirs}
    peer_names = [p for p in PEERS if any(p in c.peers for c in ours)]
    ours_by_key = {c.key: c for c in ours}
    memory_n = 100_000 if args.quick else 1_000_000
    memory = memory_per_version(peers, memory_n)
    goals = targets(floor, ours_by_key, by_key, sizes, (memory_n, sort_memory(memory_n)), memory)

    print(f"ombrel {ombrel_version()} | {machine()['cpu']} | "
          f"Python {platform.python_version()} | {rounds} rounds, median"
          + (" | quick" if args.quick else ""))
    print(render(floor, ours, by_key, peer_names, args.markdown))
    print("\nvs PEER: the peer's time for the same work divided by ombrel's (higher is faster).")
    for c in theirs:
        print(f"  {c.key}: {c.label} = {fmt_ns(c.ns)}")
    if missing:
        print("not installed, skipped: " + ", ".join(missing))
    for name, size in memory.items():
        print(f"  {name} Version: {size:,.0f} resident bytes each")
    print("\ntargets:")
    for g in goals:
        print(f"  [{'holds' if g['holds'] else 'SHORT'}] {g['target']}: {g['value']} ({g['limit']})")
    print(f"\n{time.perf_counter() - started:.1f} s")

    result = {
        "date": datetime.datetime.now(datetime.timezone.utc).isoformat(timespec="seconds"),
        "ombrel": ombrel_version(),
        "machine": machine(),
        "mode": "quick" if args.quick else "full",
        "rounds": rounds,
        "floor": {"operation": floor.label, "ns": floor.ns},
        "rows": [
            {
                "operation": c.label,
                "statement": c.stmt,
                "ns": c.ns,
                "ns_per_element": c.ns / c.elements,
                "floor_multiple": c.floor_multiple,
                "peers": {p: {"operation": by_key[k].label, "statement": by_key[k].stmt,
                              "ns": by_key[k].ns, "times_faster": c.times_faster(by_key[k])}
                          for p, k in c.peers.items() if k in by_key},
            }
            for c in ours
        ],
        "targets": goals,
        "memory_bytes_per_version": memory,
        "skipped_peers": missing,
    }
    with open(args.json, "w", encoding="utf-8") as f:
        json.dump(result, f, indent=2)
        f.write("\n")
    print(f"wrote {args.json}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
