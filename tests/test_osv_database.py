import collections
import json
import zipfile

import pytest
from conftest import osv_data, osv_entry, raises, unsupported, within
from native_oracles import node_run

from ombrel import OsvDatabase, osv_affected


def advisory(id, ecosystem, name, *events, versions=None, type="ECOSYSTEM", **extra):
    return {"id": id, "affected": [osv_entry(ecosystem, *events, name=name, versions=versions, type=type)], **extra}


ADVISORIES = [
    advisory("PYSEC-2", "PyPI", "Django_Rest.Framework", {"introduced": "0"}, {"fixed": "3.15"}),
    advisory("PYSEC-1", "PyPI", "django-rest-framework", {"introduced": "3.0"}, {"fixed": "3.11.2"}),
    advisory("PYSEC-3", "PyPI", "django-rest-framework", {"introduced": "0"}, withdrawn="2024-01-01T00:00:00Z"),
    advisory("GHSA-n", "npm", "@angular/core", {"introduced": "16.0.0"}, {"fixed": "16.2.1"}),
    advisory("GHSA-m", "Maven", "org.apache.logging.log4j:log4j-core", {"introduced": "2.0-beta9"}, {"fixed": "2.15.0"}),
    advisory("GHSA-c", "Packagist", "Symfony/HTTP-Kernel", {"introduced": "0"}, {"fixed": "6.4.4"}),
    advisory("GHSA-u", "NuGet", "Newtonsoft.Json", {"introduced": "0"}, {"fixed": "13.0.1"}),
    advisory("GHSA-x", "crates.io", "Serde", {"introduced": "0"}, {"fixed": "1.0.0"}),
    advisory("GO-1", "Go", "golang.org/x/net", {"introduced": "0"}, {"fixed": "0.23.0"}, type="SEMVER"),
    advisory("DSA-12", "Debian:12", "openssl", {"introduced": "0"}, {"fixed": "3.0.11-1~deb12u2"}),
    advisory("DSA-11", "Debian:11", "openssl", {"introduced": "0"}, {"fixed": "1.1.1w-0+deb11u1"}),
    advisory("DEB-ANY", "Debian", "openssl", {"introduced": "0"}, {"fixed": "1.0"}, versions=["3.0.9-1"]),
    advisory("ALPINE-1", "Alpine:v3.19", "openssl", {"introduced": "0"}, {"fixed": "3.1.4-r1"}),
    advisory("RHSA-1", "Red Hat:enterprise_linux:9::appstream", "nginx", {"introduced": "0"}, {"fixed": "1:1.20.1-14.el9_2.1"}),
]


@pytest.fixture(scope="module")
def db():
    return OsvDatabase(ADVISORIES)


@pytest.mark.parametrize(
    "query, ids",
    [
        # PEP 503 names, withdrawn advisories never match, ids sorted
        ("pkg:pypi/django-rest-framework@3.11.1", ["PYSEC-1", "PYSEC-2"]),
        ("pkg:pypi/DJANGO.REST__FRAMEWORK@3.12", ["PYSEC-2"]), ("pkg:pypi/django-rest-framework@3.15", []),
        ("pkg:pypi/djangorestframework@3.11.1", []),
        ("pkg:npm/%40angular/core@16.1.0", ["GHSA-n"]), ("pkg:npm/angular/core@16.1.0", []),
        ("pkg:npm/core@16.1.0", []),
        ("pkg:maven/org.apache.logging.log4j/log4j-core@2.14.1", ["GHSA-m"]),
        ("pkg:maven/org.apache.logging.log4j/log4j-core@2.15.0", []),
        ("pkg:composer/symfony/http-kernel@6.4.3", ["GHSA-c"]), ("pkg:nuget/NEWTONSOFT.JSON@12.0.3", ["GHSA-u"]),
        ("pkg:cargo/serde@0.9.0", []), ("pkg:cargo/Serde@0.9.0", ["GHSA-x"]),
        ("pkg:golang/golang.org/x/net@v0.22.0", ["GO-1"]), ("pkg:golang/golang.org/x/net@0.23.0", []),
        # releases: any without a distro qualifier, the one it ends with otherwise
        ("pkg:deb/debian/openssl@3.0.9-1", ["DEB-ANY", "DSA-12"]), ("pkg:deb/debian/openssl@1.1.1n-0", ["DSA-11", "DSA-12"]),
        ("pkg:deb/debian/openssl@3.0.9-1?arch=amd64&distro=debian-12", ["DEB-ANY", "DSA-12"]),
        ("pkg:deb/debian/openssl@3.0.11-1~deb12u2?distro=debian-12", []),
        ("pkg:deb/debian/openssl@1.1.1n-0+deb11u5?DISTRO=bullseye-11", ["DSA-11"]),
        ("pkg:deb/ubuntu/openssl@1.0", []), ("pkg:apk/alpine/openssl@3.1.4-r0?distro=alpine-v3.19", ["ALPINE-1"]),
        ("pkg:apk/alpine/openssl@3.1.4-r0?distro=3.19", []),
        ("pkg:rpm/redhat/nginx@1:1.20.1-14.el9?distro=redhat-enterprise_linux:9::appstream", ["RHSA-1"]),
        # the version is percent-decoded
        ("pkg:deb/debian/openssl@3.0.11-1%7Edeb12u1?distro=debian-12", ["DSA-12"]),
        # by OSV package: the ecosystem as OSV writes it
        (("PyPI", "Django-REST-framework", "3.11.1"), ["PYSEC-1", "PYSEC-2"]),
        (("pypi", "django-rest-framework", "3.11.1"), ["PYSEC-1", "PYSEC-2"]),
        (("Debian:12", "openssl", "3.0.9-1"), ["DSA-12"]), (("Debian", "openssl", "3.0.9-1"), ["DEB-ANY"]),
        (("Debian:12 ", "openssl", "3.0.9-1"), []), (("Red Hat:enterprise_linux:9::appstream", "nginx", "1.20"), ["RHSA-1"]),
        (("Unknown", "x", "1"), []),
    ],
)
def test_query_by_purl_or_osv_package(db, query, ids):
    assert (db.query(query) if isinstance(query, str) else db.query_package(*query)) == ids


@pytest.mark.parametrize(
    "purl, message",
    [
        ("pkg:pypi/django", "purl 'pkg:pypi/django' has no version"),
        ("pkg:pypi/django@", "purl 'pkg:pypi/django@' has no version"),
        ("pkg:github/a/b@1.0", "no OSV ecosystem for purl type 'github'"),
        ("pkg:deb/fedora/x@1", "no OSV ecosystem for purl type 'deb' with namespace 'fedora'"),
        ("pkg:rpm/x@1", "no OSV ecosystem for purl type 'rpm' with namespace ''"),
        ("django@1", "invalid purl 'django@1'; expected 'pkg:' prefix"),
        ("pkg:pypi/django-rest-framework@not a version", "PEP 440 version must start with a digit: 'not a version'"),
    ],
)
def test_query_errors(db, purl, message):
    raises(ValueError, message, db.query, purl)


def test_errors_in_advisories_surface_when_a_query_reaches_them():
    db = OsvDatabase([advisory("BAD-1", "npm", "x", {"introduced": "1.0"}), advisory("BAD-2", "GitHub Actions", "y", {"introduced": "0"}),
                      advisory("OK-1", "npm", "z", {"introduced": "0"}, {"introduced": "0"}, versions=["1"])])
    raises(ValueError, "BAD-1: Expected 3 parts, got 2", db.query, "pkg:npm/x@1.0.0")
    raises(ValueError, "Expected 3 parts, got 1", db.query, "pkg:npm/x@1")  # the version is read first
    assert db.query("pkg:npm/z@garbage") == ["OK-1"]  # a range of introduced "0" reads no version
    assert db.query_package("GitHub Actions", "z", "1") == []
    raises(ValueError, "BAD-2: " + unsupported("github actions"), db.query_package, "GitHub Actions", "y", "1")


def test_add_replaces_by_id_and_len_counts_withdrawn():
    db = OsvDatabase()
    assert len(db) == 0 and db.skipped == 0
    db.add(advisory("A", "npm", "x", {"introduced": "1.0.0"}))
    db.add(advisory("B", "npm", "x", {"introduced": "0"}, withdrawn="2024"))
    assert db.query("pkg:npm/x@1.0.0") == ["A"]
    db.add(advisory("A", "npm", "x", {"introduced": "2.0.0"}))
    assert (len(db), db.query("pkg:npm/x@1.0.0"), db.query("pkg:npm/x@2.0.0")) == (2, [], ["A"])
    raises(ValueError, "the advisory has no 'id'", db.add, {"affected": []})
    raises(ValueError, "A: 'ranges' is not a list", db.add, {"id": "A", "affected": [{"ranges": {}}]})
    assert db.query("pkg:npm/x@2.0.0") == ["A"]  # a refused advisory replaced nothing


def write_tree(root):
    """The advisories as files: one per advisory in nested directories, some lists, other files."""
    (root / "npm" / "deep").mkdir(parents=True)
    for i, a in enumerate(ADVISORIES[:8]):
        (root / ("npm/deep" if i % 2 else "npm") / f"{a['id']}.json").write_text(json.dumps(a), encoding="utf-8")
    (root / "distros.json").write_text(json.dumps(ADVISORIES[8:]), encoding="utf-8")
    (root / "README.md").write_text("not an advisory", encoding="utf-8")
    return root


def test_load_directory_zip_and_file_alike(tmp_path):
    tree = write_tree(tmp_path / "tree")
    archive = tmp_path / "all.ZIP"
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for path in sorted(tree.rglob("*")):
            if path.is_file():
                z.write(path, path.relative_to(tree).as_posix())
        z.writestr("../escape.json", json.dumps(advisory("ZIP-1", "npm", "e", {"introduced": "0"})))
    before = sorted(p for p in tmp_path.parent.rglob("*"))
    loaded = [OsvDatabase.load(str(tree)), OsvDatabase.load(archive), OsvDatabase.load(tree / "distros.json")]
    assert sorted(p for p in tmp_path.parent.rglob("*")) == before  # nothing extracted
    assert [len(d) for d in loaded] == [len(ADVISORIES), len(ADVISORIES) + 1, len(ADVISORIES) - 8]
    for d in loaded:
        assert d.query("pkg:deb/debian/openssl@3.0.9-1?distro=debian-12") == ["DEB-ANY", "DSA-12"]
    assert loaded[1].query("pkg:npm/e@1.0.0") == ["ZIP-1"]
    single = tmp_path / "one.json"
    single.write_text(json.dumps(ADVISORIES[0]), encoding="utf-8")
    assert OsvDatabase.load(single).query("pkg:pypi/django-rest-framework@1") == ["PYSEC-2"]
    calls = []
    OsvDatabase.load(tree, progress=lambda done, total: calls.append((done, total)))
    assert calls == [(1, 9), (2, 9), (3, 9), (4, 9), (5, 9), (6, 9), (7, 9), (8, 9), (9, 9)]


def test_missing_or_unknown_paths(tmp_path):
    with pytest.raises(FileNotFoundError):
        OsvDatabase.load(tmp_path / "nothing")
    (tmp_path / "db.tar").write_bytes(b"")
    raises(ValueError, f"{tmp_path / 'db.tar'}: expected a directory, a .zip or a .json file", OsvDatabase.load, tmp_path / "db.tar")
    raises(ValueError, "errors must be 'strict' or 'skip', not 'ignore'", OsvDatabase.load, tmp_path, errors="ignore")
    assert len(OsvDatabase.load(tmp_path)) == 0


def deep(n):
    return b"[" * n + b"]" * n


@pytest.mark.parametrize(
    "content, message",
    [
        (b"{", "not JSON (Expecting property name enclosed in double quotes: line 1 column 2 (char 1))"),
        (b'{"id": "\xff"}', "not UTF-8 ('utf-8' codec can't decode byte 0xff in position 8: invalid start byte)"),
        ('{"id": "é"}'.encode("utf-16"), "not UTF-8 ('utf-8' codec can't decode byte 0xff in position 0: invalid start byte)"),
        (deep(200_000), "JSON nested too deeply"),
        (b"5", "the advisory is not an object"),
        (b"[{}]", "the advisory has no 'id'"),
        (b'{"id": 7}', "'id' is not a string"),
        (b'{"id": "X", "affected": {}}', "X: 'affected' is not a list"),
        (b'{"id": "X", "affected": [null]}', "X: an entry of 'affected' is not an object"),
        (b'{"id": "X", "affected": [{"package": []}]}', "X: 'package' is not an object"),
        (b'{"id": "X", "affected": [{"package": {"name": 1}}]}', "X: 'name' is not a string"),
        (b'{"id": "X", "affected": [{"ranges": [[]]}]}', "X: a range is not an object"),
        (b'{"id": "X", "affected": [{"ranges": [{"events": {}}]}]}', "X: 'events' is not a list"),
        (b'{"id": "X", "affected": [{"ranges": [{"events": ["0"]}]}]}', "X: an event is not an object"),
        (b'{"id": "X", "affected": [{"ranges": [{"type": "GIT", "events": [{"fixed": 1}]}]}]}', "X: 'fixed' is not a string"),
        (b'{"id": "X", "affected": [{"versions": ["1", null]}]}', "X: an entry of 'versions' is not a string"),
    ],
)
def test_bad_files_are_named_or_skipped(tmp_path, content, message):
    write_tree(tmp_path)
    (tmp_path / "npm" / "bad.json").write_bytes(content)
    raises(ValueError, f"{tmp_path / 'npm' / 'bad.json'}: {message}", OsvDatabase.load, tmp_path)
    db = OsvDatabase.load(tmp_path, errors="skip")
    assert (len(db), db.skipped) == (len(ADVISORIES), 1)


def test_damaged_zips(tmp_path):
    good = tmp_path / "good.zip"
    with zipfile.ZipFile(good, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("a.json", json.dumps(ADVISORIES[0]) * 20)
        z.writestr("b.json", json.dumps(ADVISORIES[1]))
    data = good.read_bytes()
    cut = tmp_path / "cut.zip"
    cut.write_bytes(data[: len(data) // 2])
    raises(ValueError, f"{cut}: not a readable zip file (File is not a zip file)", OsvDatabase.load, cut)
    flipped = tmp_path / "flipped.zip"
    flipped.write_bytes(data[:40] + bytes(b ^ 0x55 for b in data[40:60]) + data[60:])
    with pytest.raises(ValueError, match=rf"^{flipped}:a\.json: damaged entry \("):
        OsvDatabase.load(flipped)
    assert (len(db := OsvDatabase.load(flipped, errors="skip")), db.skipped) == (1, 1)


def test_hostile_sizes_load_and_query_in_linear_time():
    long = "1." * 2_500_000 + "0"  # 5 MB
    many = [{"introduced": f"{i}.0"} if i % 2 == 0 else {"fixed": f"{i}.0"} for i in range(100_000)]
    with within(20):
        db = OsvDatabase([advisory("L", "PyPI", "x" * 10_000_000, {"introduced": long}),
                          advisory("M", "PyPI", "m", *reversed(many))])
        assert db.query("pkg:pypi/" + "x" * 10_000_000 + "@2") == ["L"]
        assert (db.query("pkg:pypi/m@4.5"), db.query("pkg:pypi/m@99999.5"), db.query("pkg:pypi/m@1.5")) == (["M"], [], [])
        assert db.query("pkg:pypi/m@" + "9" * 10_000_000) == []


# ---- real advisories ----


def pypi_advisories():
    return [json.loads(p.read_bytes()) for p in sorted(osv_data("PyPI").rglob("*.json"))]


def test_pypi_listed_releases_are_affected_and_those_closed_ranges_rule_out_are_not():
    version = pytest.importorskip("packaging.version")
    advisories = pypi_advisories()
    known = collections.defaultdict(set)  # every release some advisory lists, by package
    for a in advisories:
        for e in a.get("affected", []):
            known[e["package"]["name"]].update(e.get("versions", []))
    bare = [{**a, "affected": [{k: v for k, v in e.items() if k != "versions"} for e in a.get("affected", [])]}
            for a in advisories]
    db = OsvDatabase(bare)
    checked = wrong = 0
    for a in advisories:
        for e in a.get("affected", []):
            listed = set(e.get("versions", []))
            # closed: no range of releases ends on an introduced
            closed = all("introduced" not in r["events"][-1] for r in e.get("ranges", []) if r.get("type") != "GIT")
            for release in sorted(known[e["package"]["name"]]):
                try:
                    version.Version(release)
                except version.InvalidVersion:
                    continue
                if release not in listed and not closed:
                    continue
                checked += 1
                hit = osv_affected(release, {k: v for k, v in e.items() if k != "versions"})
                wrong += hit is not (release in listed)
                found = a["id"] in db.query_package("PyPI", e["package"]["name"], release)
                if "withdrawn" in a or hit:
                    assert found is ("withdrawn" not in a), (a["id"], release)
    assert checked > 1000 and wrong <= checked // 100, (wrong, checked)


def test_go_advisories_answer_as_the_osv_walk_under_semver_precedence():
    with zipfile.ZipFile(osv_data("Go-all.zip")) as z:
        advisories = [json.loads(z.read(n)) for n in z.namelist() if n.endswith(".json")]
    db = OsvDatabase(advisories)
    by_id = {a["id"]: a for a in advisories}
    ranges = [(a["id"], e, r) for a in advisories for e in a.get("affected", []) for r in e.get("ranges", [])]
    values = {v for _, _, r in ranges for ev in r["events"] for v in ev.values() if v != "0"}
    candidates = sorted(values | {"0.0.0", "999.0.0"})
    # One node process ranks every version by SemVer precedence (equal versions share a rank).
    script = ("const s = require('semver'); const v = JSON.parse(require('fs').readFileSync(0));"
              "v.sort(s.compare); let r = 0; const out = {};"
              "v.forEach((x, i) => { if (i && s.compare(v[i - 1], x)) r++; out[x] = r; });"
              "console.log(JSON.stringify(out));")
    rank = node_run(script, candidates)

    def walk(events, version):
        # The OSV schema's evaluation: events in version order, introduced "0" first.
        order = sorted(((-1 if (k, v) == ("introduced", "0") else rank[v], i, k, v)
                        for i, ev in enumerate(events) for k, v in ev.items() if k != "limit"))
        affected = bool(order) and order[0][2] != "introduced"
        for key, _, kind, value in order:
            if kind == "introduced" and rank[version] >= key:
                affected = True
            elif (kind == "fixed" and rank[version] >= key) or (kind == "last_affected" and rank[version] > key):
                affected = False
        limits = [rank[v] for ev in events for k, v in ev.items() if k == "limit"]
        return affected and (not limits or any(rank[version] < l for l in limits))

    checked = 0
    for id, entry, r in ranges:
        name = entry["package"]["name"]
        for version in candidates[:: max(1, len(candidates) // 25)] + sorted({v for ev in r["events"] for v in ev.values()} - {"0"}):
            expected = walk(r["events"], version)
            assert osv_affected(version, {**entry, "ranges": [r]}) is expected, (id, version)
            if expected:  # withdrawn advisories never match
                found = [id in db.query_package("Go", name, version), id in db.query(f"pkg:golang/{name}@v{version}")]
                assert found == ["withdrawn" not in by_id[id]] * 2, (id, version)
            checked += 1
    assert checked > 5_000


def test_loading_the_shared_databases_names_no_file_and_skips_none():
    for name in ("PyPI", "Go-all.zip"):
        db = OsvDatabase.load(osv_data(name))
        assert db.skipped == 0 and len(db) > 500
