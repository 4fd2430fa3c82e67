import pathlib

import pytest

DATA = pathlib.Path(__file__).resolve().parents[2] / "shared" / "data" / "versions"


def read_versions(name):
    """Real version texts from the shared sample files, or a skip when they are absent."""
    path = DATA / name
    if not path.exists():
        pytest.skip(f"{path} not available")
    return [line for line in path.read_text(encoding="utf-8").splitlines() if line]
