"""Version parsing, ordering and ranges for thirty package ecosystems."""

from . import _ombrel
from ._ombrel import *  # noqa: F401,F403

__all__ = list(_ombrel.__all__)
