#!/usr/bin/env python
"""Check that Version objects own their parses and nothing else.

Builds and drops a million Version objects (every ecosystem, long texts, deep Maven trees, the
failure paths) and runs every member on them, then checks that the process's resident memory,
the interpreter's block count and the class's reference count are back where they were.

    PYTHONPATH=/tmp/ombrel-stage-NAME python tools/check_version_memory.py [COUNT]

Linux only (reads /proc/self/statm). Exits 1 when memory did not return.
"""

import copy
import gc
import os
import pickle
import sys

import ombrel
from ombrel import Version

# Text and ecosystem pairs that exercise every stored form: heap-sized raw texts and segment
# lists, PEP 440 local labels, Debian/RPM epochs, nested Maven lists.
CASES = [
    ("1.2.3", "auto"),
    ("1.2.3-rc.1+build.5", "semver"),
    ("v1.2.3-beta.2", "go"),
    ("1!2.0.post3.dev4+ubuntu.20.04", "pep440"),
    ("2:1.18.0+dfsg-3ubuntu1~22.04", "debian"),
    ("1:4.16.1.3-29.el9_2", "rpm"),
    ("1.0-alpha-1-SNAPSHOT" + "-1" * 40, "maven"),
    ("1." * 60 + "final", "generic"),
    ("2024.01.15", "auto"),
    ("x", "auto"),  # auto-detection that falls back to generic
]
REJECTED = [("not a version", "semver"), ("1.0", "nosuch"), ("v1.0", "maven")]


def rss_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def exercise(i):
    text, eco = CASES[i % len(CASES)]
    v = Version(text, eco)
    w = Version.from_dict(v.to_dict())
    assert v == w and hash(v) == hash(w)
    v.sort_key(), v.segments(), v.release(), list(v)
    v.compare(text, "generic")
    if i % 7 == 0:
        pickle.loads(pickle.dumps(v)), copy.deepcopy(v)
    bad, bad_eco = REJECTED[i % len(REJECTED)]
    assert Version.try_parse(bad, bad_eco) is None
    try:
        Version(bad, bad_eco)
    except ValueError:
        pass
    try:
        v[len(v)]
    except IndexError:
        pass
    ombrel.compare(v, text)


def run(n):
    for i in range(n):
        exercise(i)
    gc.collect()


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000
    run(count // 10)  # warm-up: the allocator's pools and the interpreter's caches fill here
    rss0, blocks0, refs0 = rss_bytes(), sys.getallocatedblocks(), sys.getrefcount(Version)
    run(count)
    rss1, blocks1, refs1 = rss_bytes(), sys.getallocatedblocks(), sys.getrefcount(Version)
    grown = rss1 - rss0
    print(f"{count} objects: rss {rss0 / 2**20:.1f} -> {rss1 / 2**20:.1f} MiB, "
          f"blocks {blocks0} -> {blocks1}, class references {refs0} -> {refs1}")
    # A leak of a single byte per object would show as about a MiB; allow allocator noise.
    ok = grown < 2**20 and blocks1 - blocks0 < 100 and refs1 == refs0
    print("ok" if ok else "MEMORY DID NOT RETURN")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
