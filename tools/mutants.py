#!/usr/bin/env python3
"""One-line faults put into src/, to see whether the test suite catches them.

    tools/mutants.py sample [--seed N] [--count N]      print a random sample of faults
    tools/mutants.py run FAULTS [--tests DIR] [--only ID,...] [--built]

A fault is one line of FAULTS: `path:line<TAB>text<TAB>replacement` (the text occurs once on
that line). `run` copies the sources to a scratch tree, puts in one fault at a time, rebuilds
incrementally on one core, and runs the test files that cover the faulty source with -x and a
timeout; the built modules are kept per fault, so a second run against another test suite
(--tests) does not build again; --built tests only the faults built so far. A fault that does
not compile is reported and not counted.
"""

import argparse
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
SCRATCH = Path(os.environ.get("OMBREL_MUTANTS", "/tmp/ombrel-mutants"))
TIMEOUT = 300

# Which test files exercise which source; anything unlisted runs them all but the slow
# end-to-end files. Listed files that do not exist are skipped.
CORE = ["test_generic", "test_version", "test_fast_paths"]
# The native range syntaxes: each has its own test file (answers, runs against its tool); these
# drive all of them (test_native_syntaxes holds every syntax's VERS texts, filters and refusals).
NATIVE = ["test_native_syntaxes", "test_fast_paths", "test_hostile", "test_range_cache"]
NATIVE_SYNTAXES = [f"test_native_{name}" for name in
                   ["relations", "apk_portage", "composer", "conda", "cpan", "helm", "maven", "npm",
                    "nuget", "pep440"]]
COVERS = {
    "src/core/generic_parse": CORE + ["test_autodetect", "test_collections", "test_hostile"],
    "src/core/autodetect": ["test_autodetect", "test_version", "test_collections", "test_frame"],
    "src/core/ecosystem": ["test_ecosystems", "test_purl", "test_osv", "test_frame"],
    "src/core/version_key": CORE + ["test_hostile"],
    "src/core/siphash": ["test_version"],
    "src/core/unicode": ["test_maven", "test_ecosystems", "test_ranges", "test_generic"],
    "src/core/ranges": ["test_ranges", "test_vers", "test_osv", "test_hostile"],
    "src/core/purl": ["test_purl", "test_osv_database", "test_hostile"],
    "src/core/vers": ["test_vers", "test_hostile"],
    "src/core/osv": ["test_osv", "test_osv_database"],
    "src/core/osv_database": ["test_osv_database"],
    "src/core/strategies/generic": CORE + ["test_collections"],
    "src/core/strategies/semver": ["test_semver", "test_fast_paths", "test_ranges", "test_hostile"],
    "src/core/strategies/pep440": ["test_pep440", "test_fast_paths", "test_version"],
    "src/core/strategies/debian": ["test_debian_rpm", "test_fast_paths", "test_version", "test_alpine_gentoo"],
    "src/core/strategies/rpm": ["test_debian_rpm", "test_fast_paths", "test_version", "test_arch"],
    "src/core/strategies/arch": ["test_arch", "test_version"],
    "src/core/strategies/alpine": ["test_alpine_gentoo", "test_version"],
    "src/core/strategies/gentoo": ["test_alpine_gentoo", "test_version"],
    "src/core/strategies/maven": ["test_maven", "test_fast_paths", "test_version", "test_hostile"],
    "src/core/strategies/validators": ["test_ecosystems", "test_autodetect", "test_fast_paths"],
    "src/core/strategies/registry": CORE + ["test_ecosystems", "test_collections", "test_semver"],
    "src/core/native/native": NATIVE + NATIVE_SYNTAXES,
    "src/core/native/op_lists": NATIVE + NATIVE_SYNTAXES,
    "src/core/native/library": NATIVE + ["test_ranges"],
    "src/core/native/relations": NATIVE + ["test_native_relations", "test_native_apk_portage"],
    "src/core/native/debian": NATIVE + ["test_native_relations"],
    "src/core/native/rpm": NATIVE + ["test_native_relations"],
    "src/core/native/arch": NATIVE + ["test_native_relations"],
    "src/core/native/alpine": NATIVE + ["test_native_apk_portage"],
    "src/core/native/gentoo": NATIVE + ["test_native_apk_portage"],
    **{f"src/core/native/{name}": NATIVE + [f"test_native_{name}"]
       for name in ["composer", "conda", "cpan", "helm", "maven", "npm", "nuget", "pep440"]},
    **{f"src/core/native/{name}": NATIVE
       for name in ["cran", "crates", "dart", "go", "hex", "julia", "ruby", "spack", "terraform"]},
    "src/python/ext/native": NATIVE + ["test_native_npm"],
    "src/python/bump": ["test_bump", "test_hostile"],
    "src/python/collection": ["test_collections", "test_fast_paths", "test_hostile"],
    "src/python/stable": ["test_collections"],
    "src/python/compare": ["test_frame", "test_version", "test_collections", "test_hostile"],
    "src/python/constraints": ["test_ranges", "test_frame", "test_hostile"],
    "src/python/conv": ["test_frame", "test_version", "test_collections", "test_hostile"],
    "src/python/pyversion": ["test_version", "test_frame", "test_collections"],
    "src/python/security": ["test_osv", "test_osv_database", "test_purl", "test_vers", "test_hostile"],
    "src/python/module": ["test_frame", "test_version"],
}
SLOW = {"test_cli", "test_docs"}

# (pattern, replacements): the kinds of fault drawn by `sample`.
OPERATORS = [
    (r" == ", [" != "]), (r" != ", [" == "]), (r" < ", [" <= "]), (r" <= ", [" < "]),
    (r" > ", [" >= "]), (r" >= ", [" > "]), (r" && ", [" || "]), (r" \|\| ", [" && "]),
    (r" \+ 1\b", [" + 2", ""]), (r" - 1\b", [" + 1", ""]), (r"\+\+", ["--"]),
    (r"return true;", ["return false;"]), (r"return false;", ["return true;"]),
    (r"if \(!", ["if (!!"]), (r"\b([2-9]|[1-9][0-9]+)\b", None),
]


def fault_id(fault):
    return hashlib.sha1("\t".join(fault).encode()).hexdigest()[:10]


def read_faults(path):
    out = []
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        if line.strip() and not line.startswith("#"):
            where, text, replacement = line.split("\t")[:3]
            out.append((where, text, replacement))
    return out


def sources():
    files = sorted((ROOT / "src").glob("core/**/*.cpp")) + sorted((ROOT / "src").glob("python/**/*.cpp"))
    return [f for f in files if f.name != "export.cpp"]


def code_part(line):
    """The line without a trailing comment or string literals, where faults are drawn from."""
    line = re.sub(r'"(\\.|[^"\\])*"', lambda m: " " * len(m.group()), line)
    line = re.sub(r"'(\\.|[^'\\])'", lambda m: " " * len(m.group()), line)
    return line.split("//")[0]


def sample(seed, count):
    rng = random.Random(seed)
    candidates = []
    for path in sources():
        for n, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            code = code_part(line)
            if code.lstrip().startswith(("#", "static_assert", "template")):
                continue
            for pattern, replacements in OPERATORS:
                for m in re.finditer(pattern, code):
                    candidates.append((path, n, line, m, replacements))
    rng.shuffle(candidates)
    chosen, lines = [], set()
    for path, n, line, m, replacements in candidates:
        if (path, n) in lines:
            continue
        if replacements is None:  # a wrong constant: one more or one less
            value = int(m.group())
            replacements = [str(value + 1), str(value - 1)]
        new = rng.choice(replacements)
        # Widen the text until it occurs once on the line.
        start, end = m.start(), m.end()
        while line.count(line[start:end]) > 1:
            start, end = max(0, start - 1), min(len(line), end + 1)
        text = line[start:end]
        replacement = line[start:m.start()] + new + line[m.end():end]
        lines.add((path, n))
        chosen.append((f"{path.relative_to(ROOT)}:{n}", text, replacement))
        if len(chosen) == count:
            break
    for where, text, replacement in chosen:
        print(f"{where}\t{text}\t{replacement}")


def sh(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def prepare():
    """A scratch copy of the sources with its own build directory."""
    tree = SCRATCH / "tree"
    if tree.exists():
        shutil.rmtree(tree / "src")
    shutil.copytree(ROOT / "src", tree / "src")
    shutil.copy2(ROOT / "CMakeLists.txt", tree / "CMakeLists.txt")
    build = SCRATCH / "build"
    if not (build / "build.ninja").exists():
        r = sh(["cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                f"-DPython_EXECUTABLE={sys.executable}"])
        if r.returncode:
            sys.exit(r.stdout + r.stderr)
    return tree, build


def build(build_dir):
    return sh(["cmake", "--build", build_dir, "-j", "1"]).returncode == 0


def stage(name, build_dir):
    """An importable package: the Python files of the work tree with the built modules."""
    pkg = SCRATCH / "stage" / name / "ombrel"
    pkg.mkdir(parents=True, exist_ok=True)
    for f in (ROOT / "src" / "ombrel").iterdir():
        link = pkg / f.name
        if not link.exists():
            link.symlink_to(f)
    if build_dir is not None:
        for so in list(build_dir.glob("_ombrel*.so")) + list(build_dir.glob("_ext*.so")):
            shutil.copy2(so, pkg / so.name)
    return pkg.parent


def tests_for(where, tests):
    stem = where.split(":")[0].rsplit(".", 1)[0]
    names = COVERS.get(stem) or [p.stem for p in tests.glob("test_*.py") if p.stem not in SLOW]
    return [str(tests / f"{n}.py") for n in names if (tests / f"{n}.py").exists()]


def run(faults_path, tests, only, built_only):
    faults = read_faults(faults_path)
    tree, build_dir = (None, None) if built_only else prepare()
    originals = {}
    caught = survived = stillborn = 0
    for fault in faults:
        where, text, replacement = fault
        fid = fault_id(fault)
        if only and fid not in only:
            continue
        done = SCRATCH / "stage" / fid
        if built_only and not list(done.glob("ombrel/_ombrel*.so")):
            continue
        if not list(done.glob("ombrel/_ombrel*.so")) and not (done / "stillborn").exists():
            path, line = where.rsplit(":", 1)
            src = tree / path
            original = originals.setdefault(src, src.read_text(encoding="utf-8"))
            for other, text_of in originals.items():  # one fault at a time
                if other != src and other.read_text(encoding="utf-8") != text_of:
                    other.write_text(text_of, encoding="utf-8")
            lines = original.split("\n")
            n = int(line) - 1
            if lines[n].count(text) != 1:
                sys.exit(f"{where}: {text!r} does not occur once on the line")
            lines[n] = lines[n].replace(text, replacement)
            src.write_text("\n".join(lines), encoding="utf-8")
            if build(build_dir):
                stage(fid, build_dir)
            else:
                done.mkdir(parents=True, exist_ok=True)
                (done / "stillborn").touch()
        if (done / "stillborn").exists():
            stillborn += 1
            print(f"does not build  {fid}  {where}  {text!r} -> {replacement!r}", flush=True)
            continue
        files = tests_for(where, tests)
        env = {**os.environ, "PYTHONPATH": str(done)}
        try:
            r = sh([sys.executable, "-m", "pytest", "-x", "-q", "-p", "no:cacheprovider", *files],
                   env=env, timeout=TIMEOUT, cwd=tests.parent)
            verdict = "caught" if r.returncode else "SURVIVED"
        except subprocess.TimeoutExpired:
            verdict = "caught"  # by the timeout
        caught += verdict == "caught"
        survived += verdict == "SURVIVED"
        print(f"{verdict:15s} {fid}  {where}  {text!r} -> {replacement!r}", flush=True)
    for src, text_of in originals.items():
        src.write_text(text_of, encoding="utf-8")
    print(f"\ncaught {caught} of {caught + survived} ({stillborn} did not build)")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("sample")
    s.add_argument("--seed", type=int, default=12)
    s.add_argument("--count", type=int, default=48)
    r = sub.add_parser("run")
    r.add_argument("faults")
    r.add_argument("--tests", type=Path, default=ROOT / "tests")
    r.add_argument("--only", default="")
    r.add_argument("--built", action="store_true")
    args = parser.parse_args()
    if args.command == "sample":
        sample(args.seed, args.count)
    else:
        run(args.faults, args.tests.resolve(), set(filter(None, args.only.split(","))), args.built)


if __name__ == "__main__":
    main()
