"""Version parsing, ordering and ranges for thirty package ecosystems."""

from . import _ext
from ._ext import *  # noqa: F403 - what the package adds beyond the core module
from ._ombrel import *  # noqa: F403 - the extension's own __all__, which its stub spells out
from ._ombrel import __all__ as __all__
from .osv_database import OsvDatabase as OsvDatabase

__all__ = __all__ + _ext.__all__  # a new list: the core module's own stays as it is
__all__ += ["OsvDatabase"]
