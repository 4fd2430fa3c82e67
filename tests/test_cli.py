"""The `ombrel` command, end to end through `python -m ombrel`."""

import contextlib
import json
import pathlib
import subprocess
import sys

import pytest
from conftest import osv_entry, unsupported

from ombrel import cli

HERE = pathlib.Path(__file__).resolve().parent


def run(*args, stdin=b""):
    """(exit status, stdout, stderr) of `python -m ombrel ARGS`; outside the source tree."""
    result = subprocess.run([sys.executable, "-m", "ombrel", *args], input=stdin, capture_output=True, cwd=HERE,
                            timeout=60)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def error(message):
    return 2, "", f"ombrel: error: {message}\n"


GO = json.dumps({"affected": [osv_entry("Go", {"introduced": "0"}, {"fixed": "1.2.0"}, name="m")]}).encode()


@pytest.mark.parametrize(
    "args, stdin, expected",
    [
        (["compare", "1.0", "1.0.0"], b"", "0\n"), (["compare", "-e", "debian", "1.0~rc1", "1.0"], b"", "-1\n"),
        (["compare", "--ecosystem", "AUTO", "1.0.post1", "1.0"], b"", "1\n"),
        (["sort", "-e", "debian", "1.0~rc1", "1.0", "1.0+b1", "1:0.9"], b"", "1.0~rc1\n1.0\n1.0+b1\n1:0.9\n"),
        (["sort"], b" 1.10\r\n\n\t\n1.9 \n1.9.0", "1.9\n1.9.0\n1.10\n"), (["sort"], b"", ""),
        (["max"], "2.0\u00e9\n10.0\n".encode(), "10.0\n"), (["max", "1.0", "1.0.0"], b"", "1.0.0\n"),
        (["min", "1.0", "1.0.0"], b"", "1.0\n"), (["sort", "--", "-2", "1"], b"", "1\n-2\n"),
        (["latest-stable", "-e", "pep440"], b"2.0rc1\n1.9\n1.10.post1\n", "1.10.post1\n"),
        (["bump", "major", "v1.2.3"], b"", "2.0.0\n"), (["bump", "minor", "1.2.3"], b"", "1.3.0\n"),
        (["bump", "patch", "1:1.2.3"], b"", "1.2.4\n"), (["bump", "stable", "1.2.3-rc.1+b"], b"", "1.2.3\n"),
        (["bump", "prerelease", "1.2.3-alpha.1"], b"", "1.2.3-alpha.2\n"),
        (["bump", "prerelease", "--tag", "RC", "1.2.3-rc.1"], b"", "1.2.3-rc.2\n"),
        # predicates answer by their exit status alone
        (["satisfies", "1.5.0", "^1.2 || ^2.0", "-e", "npm"], b"", 0),
        (["satisfies", "-e", "npm", "2.0.0-alpha", ">=2.0.0"], b"", 1),
        (["intersects", ">=1.0,<2.0", "^1.5"], b"", 0), (["intersects", "^1.0", "^2.0"], b"", 1),
        (["vers", "vers:deb/>=1.0~rc1", "1.0"], b"", 0), (["vers", "vers:npm/^1.2", "2.0.0"], b"", 1),
        # errors: the library's message on stderr, status 2
        (["satisfies", "-e", "auto", "1.0", "*"], b"", error(unsupported("auto"))),
        (["max"], b"\n \n", error("empty sequence")),
        (["min", "-e", "go"], b"1.2.3\n", error("Go version must start with a lowercase 'v' prefix: '1.2.3'")),
        (["purl", "npm/x"], b"", error("invalid purl 'npm/x'; expected 'pkg:' prefix")),
        (["bump", "major", "--tag", "rc", "1.0"], b"", error("--tag is only used with 'prerelease'")),
        (["sort"], b"1.0\n\xff\n", error("standard input is not UTF-8: 'utf-8' codec can't decode byte 0xff in "
                                         "position 4: invalid start byte")),
        (["vers", "--from-native", "npm", ">=1.0.1 || >=0.9.5 <1.0.0"], b"", "vers:npm/>=0.9.5|<1.0.0|>=1.0.1\n"),
        (["satisfies", "--native", "-e", "npm", "1.2.9", "1.2"], b"", 0),
        (["satisfies", "--native", "-e", "npm", "2.5.20-1", "x"], b"", 1),
        (["satisfies", "--native", "1.0", "1.0"], b"", error("--native needs the ecosystem (-e ECOSYSTEM)")),
        (["vers", "--from-native", "npm", "1", "2"], b"", error("--from-native takes one CONSTRAINT")),
        (["vers", "vers:npm/*"], b"", error("the VERSION to test is missing")),
        # osv: the advisory on stdin
        (["osv", "-", "1.1.0"], GO, error("Go version must start with a lowercase 'v' prefix: '1.1.0'")),
        (["osv", "-e", "semver", "-", "1.1.0"], GO, 0),
        (["osv", "-", "1.0"], b'{"id": "X"}', error("the advisory has no 'affected' list")),
        (["osv", "-", "1.0"], b"[]", error("the advisory has no 'affected' list")),
        (["osv", "-", "1.0"], b'{"affected": null}', error("the advisory has no 'affected' list")),
        (["osv", "-", "1.0"], b'{"affected": [null]}', error("'NoneType' object is not an instance of 'dict'")),
        (["osv", "-", "1.0"], b'{"affected": [{"ranges": null}]}',
         error("'NoneType' object is not an instance of 'list'")),
        (["osv", "-", "1.0"], b"{", error("standard input: Expecting property name enclosed in double quotes: line 1 "
                                          "column 2 (char 1)")),
        (["osv", "-", "1.0"], b'{"affected": ' + b"[" * 100_000, error("standard input: JSON nested too deeply")),
    ],
)
def test_commands_print_one_result_a_line_or_answer_by_status(args, stdin, expected):
    if isinstance(expected, str):
        expected = (0, expected, "")
    elif isinstance(expected, int):
        expected = (expected, "", "")
    assert run(*args, stdin=stdin) == expected


@pytest.mark.parametrize(
    "purl, parts",
    [("pkg:npm/%40angular/core@16.2.0", ("npm", "%40angular", "core", "16.2.0", None, None, "npm")),
     ("pkg:GitHub/o/r@\u00e9?a=b#", ("github", "o", "r", "\u00e9", "a=b", "", None))],
)
def test_purl_prints_one_json_object_with_nulls_for_absent_parts(purl, parts):
    status, out, err = run("purl", purl)
    assert (status, err, out.count("\n")) == (0, "", 1)
    keys = ["type", "namespace", "name", "version", "qualifiers", "subpath", "ecosystem"]
    assert json.loads(out) == dict(zip(keys, parts))


@pytest.mark.parametrize(
    "args, complaint",
    [([], "the following arguments are required: COMMAND"),
     (["frobnicate"], "argument COMMAND: invalid choice: 'frobnicate'"),
     (["compare", "1.0"], "the following arguments are required: B"),
     (["bump", "huge", "1.0"], "argument part: invalid choice: 'huge'"),
     (["purl", "-e", "npm", "pkg:npm/x"], "unrecognized arguments: -e")],
)
def test_usage_errors_show_the_usage_and_exit_2(args, complaint):
    status, out, err = run(*args)
    assert (status, out) == (2, "")
    assert err.startswith("usage: ombrel") and complaint in err


COMMANDS = "compare sort max min latest-stable satisfies intersects bump purl vers osv".split()


@pytest.mark.parametrize("command", COMMANDS)
def test_every_command_has_help_with_an_example(command):
    status, out, err = run(command, "--help")
    assert (status, err) == (0, "")
    assert out.startswith(f"usage: ombrel {command} ")
    assert f"example:\n  ombrel {command} " in out or f"| ombrel {command} " in out
    default = {"sort": "generic", "satisfies": "generic", "osv": "taken from the advisory"}.get(command)
    assert default is None or f"(default: {default})" in " ".join(out.split())


def test_osv_reads_each_entry_with_its_own_ecosystem_and_package_name(tmp_path):
    path = tmp_path / "advisory.json"
    path.write_text(json.dumps({"id": "TEST-1", "affected": [
        osv_entry("PyPI", {"introduced": "1.0"}, {"fixed": "1.2"}, name="lib"),
        osv_entry("Debian:12", {"introduced": "0"}, {"fixed": "1.2~rc1"}, name="python3-lib"),
        # GIT events are commit hashes, which the library passes over
        osv_entry("PyPI", {"introduced": "0"}, {"fixed": "6e4d1a2b"}, name="lib", type="GIT"),
    ]}), encoding="utf-8")
    # 1.1 only in the first entry; 1.2~beta only in the second, as Debian orders it
    assert [run("osv", str(path), v)[0] for v in ("1.1", "1.2~beta", "1.2", "4.2")] == [0, 0, 1, 1]
    picked = [("lib", "0.5"), ("python3-lib", "0.5"), ("Lib", "1.1"), ("lib", "1.1")]
    assert [run("osv", "-p", name, str(path), v)[0] for name, v in picked] == [1, 0, 1, 0]
    missing = tmp_path / "none.json"
    assert run("osv", str(missing), "1.0") == error(f"{missing}: No such file or directory")


SCAN_DB = [
    {"id": "PYSEC-9", "affected": [osv_entry("PyPI", {"introduced": "4.2"}, {"fixed": "4.2.11"}, name="Django")]},
    {"id": "PYSEC-8", "affected": [osv_entry("PyPI", {"introduced": "0"}, {"fixed": "5.0"}, name="django")]},
    {"id": "GO-1", "affected": [osv_entry("Go", {"introduced": "0"}, {"fixed": "0.23.0"}, name="golang.org/x/net",
                                          type="SEMVER")]},
]


@pytest.mark.parametrize(
    "args, stdin, result",
    [
        (["pkg:pypi/django@4.2.10", "pkg:pypi/django@5.0", "pkg:golang/golang.org/x/net@v0.22.0"], b"",
         (1, "pkg:pypi/django@4.2.10\tPYSEC-8,PYSEC-9\npkg:golang/golang.org/x/net@v0.22.0\tGO-1\n", "")),
        ([], b" pkg:pypi/django@5.0\r\n\npkg:pypi/flask@1.0\n", (0, "", "")),
        (["--json", "pkg:pypi/django@4.2.11", "pkg:pypi/flask@1"], b"",
         (1, '{"pkg:pypi/django@4.2.11": ["PYSEC-8"], "pkg:pypi/flask@1": []}\n', "")),
        # a purl in error is reported and the others still answered
        (["pkg:pypi/django", "pkg:pypi/django@4.2", "pkg:github/a/b@1"], b"",
         (2, "pkg:pypi/django@4.2\tPYSEC-8,PYSEC-9\n",
          "ombrel: error: pkg:pypi/django: purl 'pkg:pypi/django' has no version\n"
          "ombrel: error: pkg:github/a/b@1: no OSV ecosystem for purl type 'github'\n")),
        (["--json", "pkg:pypi/django@x"], b"",
         (2, '{"pkg:pypi/django@x": null}\n',
          "ombrel: error: pkg:pypi/django@x: PEP 440 version must start with a digit: 'x'\n")),
    ],
)
def test_osv_scan(tmp_path, args, stdin, result):
    (tmp_path / "db").mkdir()
    for a in SCAN_DB:
        (tmp_path / "db" / f"{a['id']}.json").write_text(json.dumps(a), encoding="utf-8")
    flags = [a for a in args if a.startswith("--")]
    purls = [a for a in args if not a.startswith("--")]
    assert run("osv-scan", *flags, str(tmp_path / "db"), *purls, stdin=stdin) == result


def test_osv_scan_database_errors(tmp_path):
    assert run("osv-scan", str(tmp_path / "none"), "pkg:pypi/a@1") == (
        2, "", f"ombrel: error: {tmp_path / 'none'}: No such file or directory\n")
    (tmp_path / "bad.json").write_bytes(b"{")
    assert run("osv-scan", str(tmp_path), "pkg:pypi/a@1") == (
        2, "", f"ombrel: error: {tmp_path / 'bad.json'}: not JSON (Expecting property name enclosed in double "
        "quotes: line 1 column 2 (char 1))\n")


def test_osv_scan_shows_progress_for_a_large_database_on_a_terminal(tmp_path):
    import os
    import pty
    import zipfile

    with zipfile.ZipFile(tmp_path / "all.zip", "w") as z:
        for i in range(cli.PROGRESS_FROM + 1):
            z.writestr(f"X-{i}.json", json.dumps({"id": f"X-{i}", "affected": []}))
    main, child = pty.openpty()
    process = subprocess.Popen([sys.executable, "-m", "ombrel", "osv-scan", str(tmp_path / "all.zip"), "pkg:pypi/a@1"],
                               stderr=child, stdout=subprocess.DEVNULL, cwd=HERE)
    os.close(child)
    shown = b""
    with contextlib.suppress(OSError):  # raised once the terminal's other end is closed
        while chunk := os.read(main, 1 << 16):
            shown += chunk
    os.close(main)
    assert process.wait(timeout=60) == 0
    assert shown.decode().endswith(f"\rombrel: reading advisories: {cli.PROGRESS_FROM + 1}/{cli.PROGRESS_FROM + 1}\r\n")


def test_the_console_script_is_cli_main():
    from importlib import metadata

    scripts = metadata.entry_points(group="console_scripts", name="ombrel")
    if not scripts:
        pytest.skip("ombrel is not installed with its metadata (a development stage)")
    assert [s.value for s in scripts] == ["ombrel.cli:main"]
    assert cli.main(["bump", "major", "1.0"]) == 0
