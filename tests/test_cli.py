"""The `ombrel` command, end to end through `python -m ombrel`."""

import json
import pathlib
import subprocess
import sys

import pytest

import ombrel
from ombrel import cli

HERE = pathlib.Path(__file__).resolve().parent
UNSUPPORTED_AUTO = (
    "unsupported ecosystem 'auto'; expected one of: generic, semver, pep440, debian, rpm, ruby, "
    "maven, go, npm, nuget, composer, crates, hex, swift, calver, alpine, docker, conda, arch, "
    "gentoo, cran, spack, dart, julia, terraform, helm, cpan, nix, homebrew, freebsd"
)


def run(*args, stdin=b""):
    """(exit status, stdout, stderr) of `python -m ombrel ARGS`; outside the source tree."""
    result = subprocess.run(
        [sys.executable, "-m", "ombrel", *args],
        input=stdin,
        capture_output=True,
        cwd=HERE,
        timeout=60,
    )
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def advisory_file(tmp_path, *entries):
    path = tmp_path / "advisory.json"
    path.write_text(json.dumps({"id": "TEST-1", "affected": list(entries)}), encoding="utf-8")
    return str(path)


def entry(ecosystem, name, *events, range_type="ECOSYSTEM"):
    return {
        "package": {"ecosystem": ecosystem, "name": name},
        "ranges": [{"type": range_type, "events": list(events)}],
    }


@pytest.mark.parametrize(
    "args, stdin, printed",
    [
        (["compare", "1.0", "1.0.0"], b"", "0\n"),
        (["compare", "-e", "debian", "1.0~rc1", "1.0"], b"", "-1\n"),
        (["compare", "--ecosystem", "AUTO", "1.0.post1", "1.0"], b"", "1\n"),
        (["sort", "-e", "debian", "1.0~rc1", "1.0", "1.0+b1", "1:0.9"], b"",
         "1.0~rc1\n1.0\n1.0+b1\n1:0.9\n"),
        (["sort"], b" 1.10\r\n\n\t\n1.9 \n1.9.0", "1.9\n1.9.0\n1.10\n"),
        (["sort"], b"", ""),
        (["max"], "2.0\u00e9\n10.0\n".encode(), "10.0\n"),
        (["max", "1.0", "1.0.0"], b"", "1.0.0\n"),
        (["min", "1.0", "1.0.0"], b"", "1.0\n"),
        (["latest-stable", "-e", "pep440"], b"2.0rc1\n1.9\n1.10.post1\n", "1.10.post1\n"),
        (["sort", "--", "-2", "1"], b"", "1\n-2\n"),
        (["bump", "major", "v1.2.3"], b"", "2.0.0\n"),
        (["bump", "minor", "1.2.3"], b"", "1.3.0\n"),
        (["bump", "patch", "1:1.2.3"], b"", "1.2.4\n"),
        (["bump", "stable", "1.2.3-rc.1+b"], b"", "1.2.3\n"),
        (["bump", "prerelease", "1.2.3-alpha.1"], b"", "1.2.3-alpha.2\n"),
        (["bump", "prerelease", "--tag", "RC", "1.2.3-rc.1"], b"", "1.2.3-rc.2\n"),
    ],
)
def test_commands_print_results_one_per_line_and_exit_0(args, stdin, printed):
    assert run(*args, stdin=stdin) == (0, printed, "")


@pytest.mark.parametrize(
    "purl, parts",
    [
        ("pkg:npm/%40angular/core@16.2.0",
         {"type": "npm", "namespace": "%40angular", "name": "core", "version": "16.2.0",
          "qualifiers": None, "subpath": None, "ecosystem": "npm"}),
        ("pkg:GitHub/o/r@\u00e9?a=b#",
         {"type": "github", "namespace": "o", "name": "r", "version": "\u00e9",
          "qualifiers": "a=b", "subpath": "", "ecosystem": None}),
    ],
)
def test_purl_prints_one_json_object_with_nulls_for_absent_parts(purl, parts):
    status, out, err = run("purl", purl)
    assert (status, err, out.count("\n")) == (0, "", 1)
    assert json.loads(out) == parts


@pytest.mark.parametrize(
    "args, status",
    [
        (["satisfies", "1.5.0", "^1.2 || ^2.0", "-e", "npm"], 0),
        (["satisfies", "-e", "npm", "2.0.0-alpha", ">=2.0.0"], 1),
        (["satisfies", "anything", "*", "-e", "semver"], 0),
        (["intersects", ">=1.0,<2.0", "^1.5"], 0),
        (["intersects", "^1.0", "^2.0"], 1),
        (["vers", "vers:deb/>=1.0~rc1", "1.0"], 0),
        (["vers", "vers:npm/^1.2", "2.0.0"], 1),
    ],
)
def test_predicates_exit_0_when_true_and_1_when_false_printing_nothing(args, status):
    assert run(*args) == (status, "", "")


@pytest.mark.parametrize(
    "args, stdin, message",
    [
        (["compare", "-e", "nosuch", "1", "2"], b"",
         UNSUPPORTED_AUTO.replace("'auto'", "'nosuch'")),
        (["satisfies", "-e", "auto", "1.0", "*"], b"", UNSUPPORTED_AUTO),
        (["satisfies", "1.0", "1.0"], b"",
         "invalid comparator: '1.0'; expected operator (>=, <=, >, <, ==, !=) followed by version"),
        (["intersects", "[1.0]", "^x"], b"", "invalid interval range: '[1.0]'"),
        (["sort", "-e", "semver", "1.0.0", "1.0"], b"", "Expected 3 parts, got 2"),
        (["max"], b"\n \n", "empty sequence"),
        (["latest-stable", "1.0rc1"], b"", "no stable versions found"),
        (["min", "-e", "go"], b"1.2.3\n",
         "Go version must start with a lowercase 'v' prefix: '1.2.3'"),
        (["purl", "npm/x"], b"", "invalid purl 'npm/x'; expected 'pkg:' prefix"),
        (["vers", "vers:npm", "1"], b"",
         "invalid VERS 'vers:npm'; expected 'vers:<ecosystem>/<range>'"),
        (["bump", "major", "--tag", "rc", "1.0"], b"", "--tag is only used with 'prerelease'"),
        (["sort"], b"1.0\n\xff\n", "standard input is not UTF-8: 'utf-8' codec can't decode "
         "byte 0xff in position 4: invalid start byte"),
    ],
)
def test_errors_print_the_message_on_stderr_and_exit_2(args, stdin, message):
    assert run(*args, stdin=stdin) == (2, "", f"ombrel: error: {message}\n")


@pytest.mark.parametrize(
    "args, complaint",
    [
        ([], "the following arguments are required: COMMAND"),
        (["frobnicate"], "argument COMMAND: invalid choice: 'frobnicate'"),
        (["compare", "1.0"], "the following arguments are required: B"),
        (["bump", "huge", "1.0"], "argument part: invalid choice: 'huge'"),
        (["purl", "-e", "npm", "pkg:npm/x"], "unrecognized arguments: -e"),
    ],
)
def test_usage_errors_show_the_usage_and_exit_2(args, complaint):
    status, out, err = run(*args)
    assert (status, out) == (2, "")
    assert err.startswith("usage: ombrel") and complaint in err


@pytest.mark.parametrize(
    "command",
    ["compare", "sort", "max", "min", "latest-stable", "satisfies", "intersects", "bump",
     "purl", "vers", "osv"],
)
def test_every_command_has_help_with_an_example(command):
    status, out, err = run(command, "--help")
    assert (status, err) == (0, "")
    assert out.startswith(f"usage: ombrel {command} ")
    assert f"example:\n  ombrel {command} " in out or f"| ombrel {command} " in out


@pytest.mark.parametrize(
    "command, default",
    [("sort", "generic"), ("satisfies", "generic"), ("osv", "taken from the advisory")],
)
def test_ecosystem_help_names_the_library_default(command, default):
    assert f"(default: {default})" in " ".join(run(command, "--help")[1].split())


def test_osv_checks_every_entry_of_a_file_and_takes_the_ecosystem_from_each(tmp_path):
    path = advisory_file(
        tmp_path,
        entry("PyPI", "lib", {"introduced": "1.0"}, {"fixed": "1.2"}),
        entry("Debian:12", "python3-lib", {"introduced": "0"}, {"fixed": "1.2~rc1"}),
    )
    # 1.1 only in the first entry; 1.2~beta only in the second, as Debian orders it.
    assert run("osv", path, "1.1") == (0, "", "")
    assert run("osv", path, "1.2~beta") == (0, "", "")
    assert run("osv", path, "1.2") == (1, "", "")


def test_osv_package_keeps_only_the_entries_of_that_exact_name(tmp_path):
    path = advisory_file(
        tmp_path,
        entry("PyPI", "lib", {"introduced": "0"}, {"fixed": "1.2"}),
        entry("Debian:12", "python3-lib", {"introduced": "0"}, {"fixed": "3:0"}),
    )
    assert run("osv", path, "1.5") == (0, "", "")
    assert run("osv", "--package", "lib", path, "1.5") == (1, "", "")
    assert run("osv", "-p", "lib", path, "1.1") == (0, "", "")
    assert run("osv", "-p", "Lib", path, "1.1") == (1, "", "")


def test_osv_leaves_out_git_ranges_whose_hashes_the_library_would_read_as_versions(tmp_path):
    git = entry("PyPI", "lib", {"introduced": "0"}, {"fixed": "6e4d1a2b"}, range_type="GIT")
    assert ombrel.osv_affected("4.2", git) is True  # what the library alone answers
    assert run("osv", advisory_file(tmp_path, git), "4.2") == (1, "", "")


def test_osv_reads_stdin_and_the_ecosystem_option_wins_over_the_advisory():
    advisory = {"affected": [entry("Go", "m", {"introduced": "0"}, {"fixed": "1.2.0"})]}
    text = json.dumps(advisory).encode()
    go_error = "Go version must start with a lowercase 'v' prefix: '1.1.0'"
    assert run("osv", "-", "1.1.0", stdin=text) == (2, "", f"ombrel: error: {go_error}\n")
    assert run("osv", "-e", "semver", "-", "1.1.0", stdin=text) == (0, "", "")


@pytest.mark.parametrize(
    "content, message",
    [
        (b'{"id": "X"}', "the advisory has no 'affected' list"),
        (b"[]", "the advisory has no 'affected' list"),
        (b'{"affected": null}', "the advisory has no 'affected' list"),
        (b'{"affected": [null]}', "'NoneType' object is not an instance of 'dict'"),
        (b'{"affected": [{"ranges": null}]}', "'NoneType' object is not an instance of 'list'"),
        (b"{", "standard input: Expecting property name enclosed in double quotes: "
         "line 1 column 2 (char 1)"),
        (b'{"affected": ' + b"[" * 100_000, "standard input: JSON nested too deeply"),
    ],
)
def test_osv_rejects_what_is_not_an_advisory(content, message):
    assert run("osv", "-", "1.0", stdin=content) == (2, "", f"ombrel: error: {message}\n")


def test_osv_reports_a_missing_file(tmp_path):
    missing = tmp_path / "none.json"
    expected = f"ombrel: error: {missing}: No such file or directory\n"
    assert run("osv", str(missing), "1.0") == (2, "", expected)


def test_the_console_script_is_cli_main():
    from importlib import metadata

    scripts = metadata.entry_points(group="console_scripts", name="ombrel")
    if not scripts:
        pytest.skip("ombrel is not installed with its metadata (a development stage)")
    assert [s.value for s in scripts] == ["ombrel.cli:main"]
    assert cli.main(["bump", "major", "1.0"]) == 0
