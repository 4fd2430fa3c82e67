"""The examples of the documentation run and show what they claim.

`>>>` examples in docs/*.md run as doctests; `$` commands in ```console blocks of docs/*.md
and README.md run in bash (in the page's directory, with `ombrel` being this interpreter's
`python -m ombrel`) and must print exactly the lines that follow them; each `expr  # value` line
of the README's ```python blocks evaluates to the value it shows.
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
PAGES = [p for p in sorted((ROOT / "docs").glob("*.md")) + [ROOT / "README.md"] if p.exists()]


def console_examples():
    """One pytest.param(page, command, expected output) per `$` command."""
    found = []
    for page in PAGES:
        text = page.read_text(encoding="utf-8")
        for block in re.finditer(r"^```console\n(.*?)^```", text, re.S | re.M):
            first = text.count("\n", 0, block.start(1)) + 1
            for i, (command, output) in enumerate(re.findall(r"^\$ (.*)\n((?:(?!\$ ).*\n)*)", block.group(1), re.M)):
                line = first + block.group(1)[: block.group(1).index(f"$ {command}\n")].count("\n")
                found.append(pytest.param(page, command, output, id=f"{page.name}:{line}"))
    return found


@pytest.mark.parametrize("page", [p for p in PAGES if p.parent.name == "docs" and ">>> " in p.read_text()],
                         ids=lambda p: p.name)
def test_page_examples_show_what_the_library_returns(page):
    test = doctest.DocTestParser().get_doctest(page.read_text(encoding="utf-8"), {}, page.name, str(page), 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    report = []
    runner.run(test, out=report.append)
    assert runner.failures == 0, "".join(report)


def test_every_exported_name_and_version_member_is_documented():
    assert ombrel.__all__ == ombrel._ombrel.__all__ + ombrel._ext.__all__ + ["OsvDatabase"]
    for name in ombrel._ombrel.__all__:
        assert getattr(ombrel, name) is getattr(ombrel._ombrel, name)
    reference = "".join(p.read_text(encoding="utf-8") for p in PAGES)
    members = [n for n in dir(ombrel.Version) if not n.startswith("_")] + ["__reduce__"]
    missing = [n for n in ombrel.__all__ if f"`{n}" not in reference]
    missing += [n for n in members if not any(f"`{o}{n}" in reference for o in ("v.", "Version.", ""))]
    assert missing == []


@pytest.fixture(scope="module")
def shell_env(tmp_path_factory):
    if shutil.which("bash") is None:
        pytest.skip("bash is not available")
    shim = tmp_path_factory.mktemp("bin") / "ombrel"
    shim.write_text(f'#!/bin/sh\nexec "{sys.executable}" -m ombrel "$@"\n', encoding="utf-8")
    shim.chmod(0o755)
    return {**os.environ, "PATH": f"{shim.parent}{os.pathsep}{os.environ.get('PATH', '')}"}


@pytest.mark.parametrize("page, command, expected", console_examples())
def test_shell_examples_print_what_they_show(shell_env, page, command, expected):
    result = subprocess.run(["bash", "-c", command], cwd=page.parent, env=shell_env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    assert result.stdout.decode("utf-8") == expected, f"$ {command}"


@pytest.mark.parametrize("block", [b for p in PAGES if p.name == "README.md"
                                   for b in re.findall(r"```python\n(.*?)```", p.read_text(encoding="utf-8"), re.S)])
def test_readme_examples_run_and_show_their_results(block):
    namespace = {}
    for line in block.splitlines():
        code, _, comment = line.partition("  # ")
        if not code.strip():
            continue
        if comment and not code.lstrip().startswith(("import", "from")):
            assert repr(eval(code, namespace)) == comment.split(":")[0].strip(), code
        else:
            exec(code, namespace)
