"""The examples of the documentation run and show what they claim.

`>>>` examples in docs/*.md run as doctests; `$` commands in ```console blocks of docs/*.md
and README.md run in bash (in the page's directory, with `ombrel` being this interpreter's
`python -m ombrel`) and must print exactly the lines that follow them.
"""

import doctest
import os
import pathlib
import re
import shutil
import subprocess
import sys

import pytest

import ombrel

ROOT = pathlib.Path(__file__).resolve().parents[1]
PAGES = sorted((ROOT / "docs").glob("*.md")) + [ROOT / "README.md"]
CONSOLE_BLOCK = re.compile(r"^```console\n(.*?)^```", re.S | re.M)


def read(page):
    return page.read_text(encoding="utf-8") if page.exists() else ""


def doctest_pages():
    return [p for p in PAGES if p.parent.name == "docs" and ">>> " in read(p)]


def console_examples():
    """One pytest.param(page, command, expected output) per `$` command."""
    found = []
    for page in PAGES:
        text = read(page)
        for block in CONSOLE_BLOCK.finditer(text):
            first = text.count("\n", 0, block.start(1)) + 1
            lines = block.group(1).splitlines()
            for i, line in enumerate(lines):
                if not line.startswith("$ "):
                    continue
                output = []
                for later in lines[i + 1 :]:
                    if later.startswith("$ "):
                        break
                    output.append(later + "\n")
                found.append(
                    pytest.param(page, line[2:], "".join(output), id=f"{page.name}:{first + i}")
                )
    return found


@pytest.mark.parametrize("page", doctest_pages(), ids=lambda p: p.name)
def test_page_examples_show_what_the_library_returns(page):
    test = doctest.DocTestParser().get_doctest(read(page), {}, page.name, str(page), 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    report = []
    runner.run(test, out=report.append)
    assert runner.failures == 0, "".join(report)


def test_every_exported_name_and_version_member_is_documented():
    assert ombrel.__all__ == ombrel._ombrel.__all__ + ombrel._ext.__all__
    reference = "".join(read(p) for p in PAGES)
    members = [n for n in dir(ombrel.Version) if not n.startswith("_")] + ["__reduce__"]
    missing = [n for n in ombrel.__all__ if f"`{n}" not in reference]
    missing += [
        n for n in members if not any(f"`{o}{n}" in reference for o in ("v.", "Version.", ""))
    ]
    assert missing == []


@pytest.fixture(scope="module")
def shell_env(tmp_path_factory):
    if shutil.which("bash") is None:
        pytest.skip("bash is not available")
    bin_dir = tmp_path_factory.mktemp("bin")
    shim = bin_dir / "ombrel"
    shim.write_text(f'#!/bin/sh\nexec "{sys.executable}" -m ombrel "$@"\n', encoding="utf-8")
    shim.chmod(0o755)
    return {**os.environ, "PATH": f"{bin_dir}{os.pathsep}{os.environ.get('PATH', '')}"}


@pytest.mark.parametrize("page, command, expected", console_examples())
def test_shell_examples_print_what_they_show(shell_env, page, command, expected):
    result = subprocess.run(
        ["bash", "-c", command],
        cwd=page.parent,
        env=shell_env,
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        timeout=60,
    )
    assert result.stdout.decode("utf-8") == expected, f"$ {command}"
