from collections.abc import Sequence
from typing import TypeVar

from ombrel._ombrel import Version

_V = TypeVar("_V", bound=str | Version)

__all__ = ["vers_canonical", "native_satisfies", "native_filter", "vers_from_native"]

def vers_canonical(vers: str) -> str: ...
def native_satisfies(version: str | Version, constraint: str, ecosystem: str) -> bool: ...
def native_filter(
    versions: Sequence[_V], constraint: str, ecosystem: str
) -> list[_V]: ...
def vers_from_native(ecosystem: str, constraint: str) -> str: ...
