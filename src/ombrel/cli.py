"""The `ombrel` command: version ordering, ranges and advisories for shell scripts and CI.

Exit status: 0 for success or a true predicate, 1 for a false predicate, 2 for an error
(the library's message, or a usage error, on standard error).
"""

from __future__ import annotations

import argparse
import inspect
import json
import os
import sys
import zipfile
from collections.abc import Callable, Sequence
from typing import Any, NamedTuple

import ombrel

EXIT_TRUE = 0
EXIT_FALSE = 1
EXIT_ERROR = 2
# What a shell reports for a process killed by SIGPIPE.
EXIT_BROKEN_PIPE = 128 + 13

# A database of more files than this shows its loading progress on a terminal.
PROGRESS_FROM = 2000


class Report(NamedTuple):
    """Text to print and the exit status to end with."""

    text: str
    status: int


# Whatever a subcommand returns: text to print, the truth of a predicate, or a report.
Outcome = str | bool | Report


class CliError(Exception):
    """A failure of the command itself (reading a file, its shape), not of the library."""


def _library_default(function: Callable[..., Any]) -> str:
    """The default of `function`'s ecosystem parameter, for help texts."""
    default = inspect.signature(function).parameters["ecosystem"].default
    return "taken from the advisory" if default is None else str(default)


def _ecosystem(args: argparse.Namespace) -> dict[str, str]:
    """The `ecosystem` keyword for the library, absent when not given: its default applies."""
    return {} if args.ecosystem is None else {"ecosystem": args.ecosystem}


def _read_stdin() -> str:
    try:
        return sys.stdin.buffer.read().decode("utf-8")
    except UnicodeDecodeError as e:
        raise CliError(f"standard input is not UTF-8: {e}") from None


def _arguments_or_lines(given: list[str]) -> list[str]:
    """The arguments given or, when there are none, one per line of stdin.

    Lines are stripped of surrounding white space and blank lines are skipped.
    """
    if given:
        return list(given)
    lines = (line.strip() for line in _read_stdin().split("\n"))
    return [line for line in lines if line]


def _versions(args: argparse.Namespace) -> list[str]:
    return _arguments_or_lines(args.versions)


def _load_advisory(path: str) -> Any:
    name = "standard input" if path == "-" else path
    try:
        if path == "-":
            text = _read_stdin()
        else:
            with open(path, encoding="utf-8") as f:
                text = f.read()
        return json.loads(text)
    except OSError as e:
        raise CliError(f"{name}: {e.strerror}") from None
    except ValueError as e:  # not UTF-8, or not JSON
        raise CliError(f"{name}: {e}") from None
    except RecursionError:
        raise CliError(f"{name}: JSON nested too deeply") from None


def _package_name(entry: Any) -> Any:
    package = entry.get("package") if isinstance(entry, dict) else None
    return package.get("name") if isinstance(package, dict) else None


# ---- subcommands ----


def _compare(args: argparse.Namespace) -> Outcome:
    return f"{ombrel.compare(args.a, args.b, **_ecosystem(args))}\n"


def _sort(args: argparse.Namespace) -> Outcome:
    return "".join(v + "\n" for v in ombrel.sort_versions(_versions(args), **_ecosystem(args)))


def _max(args: argparse.Namespace) -> Outcome:
    return ombrel.max_version(_versions(args), **_ecosystem(args)) + "\n"


def _min(args: argparse.Namespace) -> Outcome:
    return ombrel.min_version(_versions(args), **_ecosystem(args)) + "\n"


def _latest_stable(args: argparse.Namespace) -> Outcome:
    return ombrel.latest_stable(_versions(args), **_ecosystem(args)) + "\n"


def _satisfies(args: argparse.Namespace) -> Outcome:
    if args.native:
        if args.ecosystem is None:
            raise CliError("--native needs the ecosystem (-e ECOSYSTEM)")
        return ombrel.native_satisfies(args.version, args.range, args.ecosystem)
    return ombrel.satisfies(args.version, args.range, **_ecosystem(args))


def _intersects(args: argparse.Namespace) -> Outcome:
    return ombrel.ranges_intersect(args.left, args.right, **_ecosystem(args))


_BUMPS: dict[str, Callable[[str], str]] = {
    "major": ombrel.bump_major,
    "minor": ombrel.bump_minor,
    "patch": ombrel.bump_patch,
    "stable": ombrel.next_stable,
}


def _bump(args: argparse.Namespace) -> Outcome:
    if args.part == "prerelease":
        tag = {} if args.tag is None else {"tag": args.tag}
        return ombrel.bump_prerelease(args.version, **tag) + "\n"
    if args.tag is not None:
        raise CliError("--tag is only used with 'prerelease'")
    return _BUMPS[args.part](args.version) + "\n"


def _purl(args: argparse.Namespace) -> Outcome:
    return json.dumps(ombrel.parse_purl(args.purl)) + "\n"


def _vers(args: argparse.Namespace) -> Outcome:
    if args.from_native is not None:
        if args.version is not None:
            raise CliError("--from-native takes one CONSTRAINT")
        return ombrel.vers_from_native(args.from_native, args.vers) + "\n"
    if args.version is None:
        raise CliError("the VERSION to test is missing")
    return ombrel.vers_contains(args.vers, args.version)


def _osv(args: argparse.Namespace) -> Outcome:
    advisory = _load_advisory(args.file)
    entries = advisory.get("affected") if isinstance(advisory, dict) else None
    if not isinstance(entries, list):
        raise CliError("the advisory has no 'affected' list")
    if args.package is not None:
        entries = [e for e in entries if _package_name(e) == args.package]
    return any(ombrel.osv_affected(args.version, entry, **_ecosystem(args)) for entry in entries)


def _show_progress(done: int, total: int) -> None:
    if done % 100 and done != total:
        return
    end = "\n" if done == total else ""
    print(f"\rombrel: reading advisories: {done}/{total}", end=end, file=sys.stderr, flush=True)


def _osv_scan(args: argparse.Namespace) -> Outcome:
    try:
        large = sys.stderr.isatty() and _count_files(args.db) > PROGRESS_FROM
        db = ombrel.OsvDatabase.load(args.db, progress=_show_progress if large else None)
    except OSError as e:
        raise CliError(f"{args.db}: {e.strerror}") from None
    found: dict[str, list[str] | None] = {}
    status = EXIT_TRUE
    for purl in _arguments_or_lines(args.purls):
        try:
            ids = db.query(purl)
        except ValueError as e:
            print(f"ombrel: error: {purl}: {e}", file=sys.stderr)
            found[purl] = None
            continue
        found[purl] = ids
        if ids and status == EXIT_TRUE:
            status = EXIT_FALSE
    if None in found.values():
        status = EXIT_ERROR
    if args.json:
        return Report(json.dumps(found) + "\n", status)
    return Report("".join(f"{p}\t{','.join(ids)}\n" for p, ids in found.items() if ids), status)


def _count_files(path: str) -> int:
    """How many files a database holds, as a measure of its size; 0 when that is unknown."""
    if os.path.isdir(path):
        return sum(len(files) for _, _, files in os.walk(path))
    try:
        with zipfile.ZipFile(path) as archive:
            return len(archive.infolist())
    except (zipfile.BadZipFile, OSError):
        return 0


# ---- the parser ----

_LIST_NOTE = (
    "With no VERSION arguments the versions are read from standard input, one per line;\n"
    "surrounding white space is stripped and blank lines are skipped."
)
_PREDICATE_NOTE = "Exits 0 when true, 1 when false and 2 on error; prints nothing."


def _add(
    sub: Any,
    name: str,
    run: Callable[[argparse.Namespace], Outcome],
    summary: str,
    example: str,
    details: str = "",
) -> argparse.ArgumentParser:
    description = summary[0].upper() + summary[1:] + "." + (f"\n\n{details}" if details else "")
    p: argparse.ArgumentParser = sub.add_parser(
        name,
        help=summary,
        description=description,
        epilog="example:\n  " + example,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    p.set_defaults(run=run)
    return p


def _add_ecosystem(p: argparse.ArgumentParser, function: Callable[..., Any], auto: bool) -> None:
    """-e/--ecosystem, passed on to `function` only when given, so that its default holds."""
    p.add_argument(
        "-e",
        "--ecosystem",
        metavar="NAME",
        help="ecosystem whose rules apply: a name or alias"
        + (", or auto to guess it" if auto else "")
        + f" (default: {_library_default(function)})",
    )


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="ombrel",
        description="Order, select and bump version strings; test them against ranges, "
        "VERS specifiers and OSV advisories; take package URLs apart.",
        epilog="'ombrel COMMAND --help' shows a command's arguments and an example.",
    )
    sub = parser.add_subparsers(dest="command", metavar="COMMAND", required=True)

    p = _add(
        sub,
        "compare",
        _compare,
        "print -1, 0 or 1 as A is less than, equal to or greater than B",
        "ombrel compare -e pep440 1.0rc1 1.0",
    )
    _add_ecosystem(p, ombrel.compare, auto=True)
    p.add_argument("a", metavar="A")
    p.add_argument("b", metavar="B")

    lists: tuple[tuple[str, Callable[[argparse.Namespace], Outcome], str, str, Any], ...] = (
        (
            "sort",
            _sort,
            "print the versions in ascending order, one per line",
            "ombrel sort -e debian 1.0~rc1 1.0 1.0+b1 1:0.9",
            ombrel.sort_versions,
        ),
        ("max", _max, "print the greatest version", "ombrel max 1.9 1.10 1.2", ombrel.max_version),
        (
            "min",
            _min,
            "print the smallest version",
            "git tag | ombrel min -e go",
            ombrel.min_version,
        ),
        (
            "latest-stable",
            _latest_stable,
            "print the greatest version that is not a pre-release",
            "ombrel latest-stable -e pep440 2.0rc1 1.9 1.10",
            ombrel.latest_stable,
        ),
    )
    for name, run, summary, example, function in lists:
        p = _add(sub, name, run, summary, example, _LIST_NOTE)
        _add_ecosystem(p, function, auto=True)
        p.add_argument("versions", metavar="VERSION", nargs="*")

    p = _add(
        sub,
        "satisfies",
        _satisfies,
        "test whether VERSION lies in RANGE",
        "ombrel satisfies -e npm 1.5.0 '^1.2 || ^2.0'",
        _PREDICATE_NOTE,
    )
    _add_ecosystem(p, ombrel.satisfies, auto=False)
    p.add_argument(
        "--native",
        action="store_true",
        help="read RANGE in the ecosystem's own syntax (package.json, PEP 440, ...)",
    )
    p.add_argument("version", metavar="VERSION")
    p.add_argument("range", metavar="RANGE")

    p = _add(
        sub,
        "intersects",
        _intersects,
        "test whether two ranges can hold a common version",
        "ombrel intersects '>=1.0,<2.0' '^1.5'",
        _PREDICATE_NOTE,
    )
    _add_ecosystem(p, ombrel.ranges_intersect, auto=False)
    p.add_argument("left", metavar="RANGE")
    p.add_argument("right", metavar="RANGE")

    p = _add(
        sub,
        "bump",
        _bump,
        "print the next major, minor, patch or prerelease version, or the stable form",
        "ombrel bump prerelease --tag rc 1.4.0-rc.2",
        "The result is always MAJOR.MINOR.PATCH (and -TAG.N for prerelease), read from\n"
        "the leading numbers of VERSION whatever its ecosystem.",
    )
    p.add_argument("part", choices=("major", "minor", "patch", "prerelease", "stable"))
    p.add_argument("version", metavar="VERSION")
    p.add_argument("--tag", help="the pre-release word of 'prerelease' (default: alpha)")

    p = _add(
        sub,
        "purl",
        _purl,
        "print the parts of a package URL as a JSON object",
        "ombrel purl 'pkg:npm/%40angular/core@16.2.0'",
    )
    p.add_argument("purl", metavar="PURL")

    p = _add(
        sub,
        "vers",
        _vers,
        "test whether VERSION lies in a VERS specifier, or print the VERS of a native range",
        "ombrel vers 'vers:npm/>=1.0.0,<2.0.0' 1.4.2\n"
        "  ombrel vers --from-native npm '^1.2 || ^2.0'",
        _PREDICATE_NOTE,
    )
    p.add_argument(
        "--from-native",
        metavar="ECOSYSTEM",
        help="print the standard VERS text of CONSTRAINT, written in ECOSYSTEM's own syntax",
    )
    p.add_argument("vers", metavar="VERS|CONSTRAINT")
    p.add_argument("version", metavar="VERSION", nargs="?")

    p = _add(
        sub,
        "osv",
        _osv,
        "test whether VERSION is affected by an OSV advisory",
        "ombrel osv --package example-lib advisory.json 4.2.10",
        "FILE is the advisory as JSON, or - for standard input. VERSION is affected when\n"
        "an entry of the advisory's 'affected' list says so: every entry, or those of\n"
        "--package. GIT ranges (commit hashes) are left out. " + _PREDICATE_NOTE,
    )
    _add_ecosystem(p, ombrel.osv_affected, auto=False)
    p.add_argument(
        "-p",
        "--package",
        metavar="NAME",
        help="check only the entries whose package has this exact name",
    )
    p.add_argument("file", metavar="FILE")
    p.add_argument("version", metavar="VERSION")

    p = _add(
        sub,
        "osv-scan",
        _osv_scan,
        "print the OSV advisories that affect each package URL",
        "ombrel osv-scan osv/PyPI pkg:pypi/django@4.2.10",
        "DB is a directory of OSV advisories (*.json, searched recursively), a .zip of them\n"
        "(as OSV exports each ecosystem) or one .json file. With no PURL arguments the purls\n"
        "are read from standard input, one per line. Prints each affected purl, a tab and its\n"
        "advisory ids joined by ','. Exits 1 when any purl is affected, 0 when none, and 2\n"
        "when the database or any purl is in error (after answering the others).",
    )
    p.add_argument(
        "--json",
        action="store_true",
        help="print one JSON object mapping every purl to its ids (null for one in error)",
    )
    p.add_argument("db", metavar="DB")
    p.add_argument("purls", metavar="PURL", nargs="*")
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        outcome = args.run(args)
        if isinstance(outcome, bool):
            return EXIT_TRUE if outcome else EXIT_FALSE
        report = outcome if isinstance(outcome, Report) else Report(outcome, EXIT_TRUE)
        sys.stdout.write(report.text)
        sys.stdout.flush()
        return report.status
    except (CliError, ValueError, TypeError) as e:
        print(f"ombrel: error: {e}", file=sys.stderr)
        return EXIT_ERROR
    except BrokenPipeError:
        # The reader went away (`ombrel sort | head -1`): say nothing more.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return EXIT_BROKEN_PIPE


if __name__ == "__main__":
    sys.exit(main())
