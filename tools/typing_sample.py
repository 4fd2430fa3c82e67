"""Typical use of ombrel, checked with `mypy --strict` against the package's stubs.

Each assert_type pins a result type; each `type: ignore` marks a call the stubs must
refuse (strict mode reports an ignore that is no longer needed). The file also runs.
"""

import json
from typing import Literal, assert_type

import ombrel
from ombrel import Version

Ordering = Literal[-1, 0, 1]

assert_type(ombrel.compare("1.0", "1.0.0"), Ordering)
assert_type(ombrel.compare(Version("1.0"), "2.0", "pep440"), Ordering)
assert_type(ombrel.compare_semver_strict("1.0.0", "1.0.1"), Ordering)
assert_type(ombrel.lt("1.0a1", "1.0", ecosystem="pep440"), bool)
assert_type(ombrel.batch_compare([("1.0", "2.0"), (Version("2"), "2")]), list[Ordering])

tags: list[str] = ["1.10", "1.9", "2.0rc1"]
assert_type(ombrel.sort_versions(tags), list[str])
assert_type(ombrel.max_version(tags, "pep440"), str)
assert_type(ombrel.min_version((Version("1"), Version("2"))), Version)
assert_type(ombrel.stable_versions(tags), list[str])
assert_type(ombrel.latest_stable(tags), str)
mixed: list[str | Version] = ["1.0", Version("2.0")]
assert_type(ombrel.sort_versions(mixed), list[str | Version])

v = ombrel.version("2:1.4.2-1ubuntu3", "debian")
assert_type(v, Version)
assert_type(Version.parse("1.0"), Version)
assert_type(Version.try_parse("1.0", "semver"), Version | None)
assert_type(v.raw, str)
assert_type(v.ecosystem, str)
assert_type(v.epoch, int)
assert_type(v.is_stable, bool)
assert_type(v.major, int)
assert_type(v[0], int | str)
assert_type(v.segments(), tuple[int | str, ...])
assert_type(v.release(), tuple[int, ...])
assert_type(v.sort_key(), tuple[tuple[int, int, str], ...])
assert_type(v.compare("1:1.0", "debian"), Ordering)
assert_type(len(v), int)
assert_type([segment for segment in v], list[int | str])
assert_type(v < "3:0", bool)
assert_type("3:0" > v, bool)
assert_type(sorted([v, Version("1.0", "debian")]), list[Version])
assert_type(sorted(tags, key=Version), list[str])
assert_type({v: "installed"}, dict[Version, str])

data = v.to_dict()
assert_type(data["major"], int)
assert_type(data["is_prerelease"], bool)
assert_type(Version.from_dict(data), Version)
assert_type(Version.from_dict({"raw": "1.0.0", "ecosystem": "npm"}), Version)

assert_type(ombrel.satisfies("1.5.0", "^1.2", "npm"), bool)
assert_type(ombrel.range_contains("1.5.0", ">=1.0,<2.0"), bool)
assert_type(ombrel.ranges_intersect("^1.0", "^1.5"), bool)

purl = ombrel.parse_purl("pkg:npm/%40angular/core@16.2.0")
assert_type(purl["name"], str)
assert_type(purl["namespace"], str | None)
assert_type(purl["ecosystem"], str | None)
assert_type(ombrel.build_purl("npm", "core", namespace="%40angular"), str)
assert_type(ombrel.purl_ecosystem("pkg:cargo/serde"), str | None)
assert_type(ombrel.build_vers("node", "^1.2"), str)
assert_type(ombrel.vers_contains("vers:npm/^1.2", "1.5.0"), bool)
assert_type(ombrel.vers_canonical("vers:npm/^1.2"), str)
advisory = json.loads('{"affected": [{"package": {"ecosystem": "npm"}, "ranges": []}]}')
assert_type(ombrel.osv_affected("1.0.0", advisory["affected"][0]), bool)

assert_type(ombrel.bump_major("1.2.3"), str)
assert_type(ombrel.bump_prerelease("1.2.3-rc.1", tag="rc"), str)
assert_type(ombrel.next_stable("1.2.3-rc.1"), str)


def refused() -> None:
    """Calls the library rejects at run time; the stubs must reject them too."""
    ombrel.eq(Version("1.0"), "1.0")  # type: ignore[arg-type]
    ombrel.satisfies("1.0", "*", None)  # type: ignore[arg-type]
    ombrel.compare(1, "1.0")  # type: ignore[arg-type]
    ombrel.sort_versions([1, 2])  # type: ignore[type-var]
    ombrel.batch_compare([["1.0", "2.0"]])  # type: ignore[list-item]
    ombrel.bump_prerelease("1.0", tag=None)  # type: ignore[arg-type]
    ombrel.osv_affected("1.0", [])  # type: ignore[arg-type]
    ombrel.vers_canonical(None)  # type: ignore[arg-type]
    Version("1.0", None)  # type: ignore[arg-type]
    Version("1.0") < 1  # type: ignore[operator]
    Version("1.0").major = 2  # type: ignore[misc]

    class Derived(Version):  # type: ignore[misc]
        pass
