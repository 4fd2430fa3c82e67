"""Version parsing, ordering and ranges for thirty package ecosystems."""

from ._ombrel import *  # noqa: F403 - the extension's own __all__, which its stub spells out
from ._ombrel import __all__ as __all__
