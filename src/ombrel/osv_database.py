"""OSV advisories held for querying many packages: `OsvDatabase`."""

from __future__ import annotations

import contextlib
import json
import os
import zipfile
import zlib
from collections.abc import Callable, Iterable
from pathlib import Path
from typing import Any, Literal

from ._ext import _OsvIndex

# A zip entry larger than this is refused rather than inflated in memory: OSV's own exports
# hold advisories of a few kilobytes each.
MAX_ZIP_ENTRY = 64 * 1024 * 1024


class OsvDatabase:
    """OSV advisories indexed by package, each read once, for checking many packages.

    `query(purl)` and `query_package(ecosystem, name, version)` return the sorted ids of the
    advisories, withdrawn ones left out, with an "affected" entry for the package whose ranges
    or "versions" hold the version, under the rules of `osv_affected`.
    """

    def __init__(self, advisories: Iterable[dict[str, Any]] = ()) -> None:
        self._index = _OsvIndex()
        self.skipped = 0
        """Files passed over by `load(..., errors="skip")`."""
        self._index.extend(list(advisories))

    @classmethod
    def load(
        cls,
        path: str | os.PathLike[str],
        *,
        errors: Literal["strict", "skip"] = "strict",
        progress: Callable[[int, int], None] | None = None,
    ) -> OsvDatabase:
        """The advisories of a directory (its `*.json` files, searched recursively), a `.zip`
        of such files, or one `.json` file holding an advisory or a list of them.

        A file that is not UTF-8 JSON holding advisories raises ValueError naming it, unless
        `errors="skip"`, which passes such files over and counts them in `skipped`.
        `progress(done, total)` is called after each file.
        """
        if errors not in ("strict", "skip"):
            raise ValueError(f"errors must be 'strict' or 'skip', not {errors!r}")
        db = cls()
        with contextlib.ExitStack() as stack:
            documents = _documents(Path(os.fspath(path)), stack)
            for done, (name, read) in enumerate(documents, 1):
                try:
                    db._index.extend(_advisories(read()))
                except ValueError as e:
                    if errors == "strict":
                        raise ValueError(f"{name}: {e}") from None
                    db.skipped += 1
                if progress is not None:
                    progress(done, len(documents))
        return db

    def add(self, advisory: dict[str, Any]) -> None:
        """Adds one advisory, replacing one held under the same id."""
        self._index.extend([advisory])

    def __len__(self) -> int:
        return len(self._index)

    def query(self, purl: str) -> list[str]:
        """The ids of the advisories that affect the purl's package at its version."""
        return self._index.query(purl)

    def query_package(self, ecosystem: str, name: str, version: str) -> list[str]:
        """The same for an OSV ecosystem name ("PyPI", "Debian:12") and package name."""
        return self._index.query_package(ecosystem, name, version)


def _documents(path: Path, stack: contextlib.ExitStack) -> list[tuple[str, Callable[[], bytes]]]:
    """Each file to read, by the name an error gives it, with a function that reads it while
    `stack` is open."""
    if path.is_dir():
        files = sorted(p for p in path.rglob("*.json") if p.is_file())
        return [(str(p), p.read_bytes) for p in files]
    if not path.exists():
        raise FileNotFoundError(2, "No such file or directory", str(path))
    suffix = path.suffix.lower()
    if suffix == ".json":
        return [(str(path), path.read_bytes)]
    if suffix != ".zip":
        raise ValueError(f"{path}: expected a directory, a .zip or a .json file")
    try:
        archive = stack.enter_context(zipfile.ZipFile(path))
        members = [m for m in archive.infolist() if not m.is_dir() and m.filename.endswith(".json")]
    except (zipfile.BadZipFile, OSError, EOFError) as e:
        raise ValueError(f"{path}: not a readable zip file ({e})") from None
    return [(f"{path}:{m.filename}", _member_reader(archive, m)) for m in members]


def _member_reader(archive: zipfile.ZipFile, member: zipfile.ZipInfo) -> Callable[[], bytes]:
    def read() -> bytes:
        if member.file_size > MAX_ZIP_ENTRY:
            raise ValueError(f"entry of {member.file_size} bytes, above {MAX_ZIP_ENTRY}")
        try:
            return archive.read(member)  # in memory: nothing is extracted to disk
        except (zipfile.BadZipFile, zlib.error, OSError, EOFError, RuntimeError, NotImplementedError) as e:
            raise ValueError(f"damaged entry ({e})") from None

    return read


def _advisories(data: bytes) -> list[Any]:
    """The advisories of one file: a JSON object, or a list of them."""
    try:
        document = json.loads(data.decode("utf-8"))
    except RecursionError:
        raise ValueError("JSON nested too deeply") from None
    except UnicodeDecodeError as e:
        raise ValueError(f"not UTF-8 ({e})") from None
    except json.JSONDecodeError as e:
        raise ValueError(f"not JSON ({e})") from None
    return document if isinstance(document, list) else [document]

