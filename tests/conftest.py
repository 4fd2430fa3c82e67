import pathlib

import pytest

DATA = pathlib.Path(__file__).resolve().parents[2] / "shared" / "data" / "versions"


def read_versions(name):
    """Real version texts from the shared sample files, or a skip when they are absent."""
    path = DATA / name
    if not path.exists():
        pytest.skip(f"{path} not available")
    return [line for line in path.read_text(encoding="utf-8").splitlines() if line]


U64 = 18446744073709551615
ECOSYSTEMS = (
    "generic semver pep440 debian rpm ruby maven go npm nuget composer crates hex swift calver "
    "alpine docker conda arch gentoo cran spack dart julia terraform helm cpan nix homebrew freebsd"
).split()


def unsupported(name):
    return f"unsupported ecosystem '{name}'; expected one of: " + ", ".join(ECOSYSTEMS)


def raises(exc, message, fn, *args, note=None, **kwargs):
    """fn(*args, **kwargs) raises exactly `exc` with the one argument `message`, and with the
    note naming the argument being converted when `note` is given (no note otherwise)."""
    with pytest.raises(exc) as info:
        fn(*args, **kwargs)
    assert type(info.value) is exc
    assert info.value.args == (message,)
    assert getattr(info.value, "__notes__", None) == ([f"while processing '{note}'"] if note else None)


def fresh(text):
    """A new str equal to `text`, never an interned constant, so that identity can be checked."""
    return "".join(list(text))


def assert_ascending(versions, ecosystem):
    """Every earlier version sorts below every later one, both ways round."""
    import ombrel

    for i, lower in enumerate(versions):
        for higher in versions[i + 1:]:
            got = (ombrel.compare(lower, higher, ecosystem), ombrel.compare(higher, lower, ecosystem))
            assert got == (-1, 1), (lower, higher)


def assert_all_equal(versions, ecosystem):
    import ombrel

    for a in versions:
        for b in versions:
            assert ombrel.compare(a, b, ecosystem) == 0, (a, b)


def short_id(value):
    """Test ids that name long texts by their length instead of spelling them out."""
    return f"{len(value)}chars" if isinstance(value, str) and len(value) > 40 else None
