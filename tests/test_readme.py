import pathlib
import re

import pytest

README = pathlib.Path(__file__).resolve().parents[1] / "README.md"


def python_blocks():
    if not README.exists():
        return []
    return re.findall(r"```python\n(.*?)```", README.read_text(encoding="utf-8"), re.S)


@pytest.mark.parametrize("block", python_blocks())
def test_readme_examples_run_and_show_their_results(block):
    """Each `expr  # value` line of the README's examples evaluates to the value it shows."""
    namespace = {}
    for line in block.splitlines():
        code, _, comment = line.partition("  # ")
        if not code.strip():
            continue
        if comment and not code.lstrip().startswith(("import", "from")):
            shown = comment.split(":")[0].strip()
            assert repr(eval(code, namespace)) == shown, line
        else:
            exec(code, namespace)
