import pytest

import ombrel


@pytest.mark.parametrize(
    "text, eco",
    [
        ("1.0.0", "generic"), ("", "generic"), ("1!2.0", "pep440"), ("1.0.post1", "pep440"),
        ("1.0.dev3", "pep440"), ("1.0a1", "pep440"), ("2.0b2", "pep440"), ("1.0RC1", "pep440"),
        ("2.0.0-rc1", "generic"), ("1.0~rc1", "debian"), ("1.0^git1", "rpm"), ("2.3+deb11u1", "debian"),
        ("1.2+ubuntu3", "debian"), ("1.2.3-1ubuntu1", "generic"), ("1:2.3-1", "generic"),
        ("2.4.1-1.el8", "rpm"), ("5.3.fc38", "rpm"), ("2.0-1.amzn2", "rpm"), ("1.0.EL8", "rpm"),
        ("1.0.elx", "generic"), ("1.0.el", "generic"), ("1.0.el.el8", "generic"),
        ("v1.2.3+incompatible", "go"), ("1.0-SNAPSHOT", "maven"), ("1.2.3-py38_0", "conda"),
        ("1.2.3_alpha1", "alpine"), ("1.2.3_p2", "alpine"), ("1.2.3-r0", "alpine"), ("-r5", "generic"),
        ("1.0-r", "generic"), ("1.0-r1-r2", "alpine"), ("1.0-rc1-r2", "alpine"),
        ("1.0.0.beta1", "ruby"), ("2.0.pre", "ruby"), ("1.0.alphabet", "ruby"), ("1.0.0.rc1", "generic"),
        ("1.0.0-beta", "generic"), ("2024.01.15", "calver"), ("02024.1", "calver"), ("2024-01-15", "generic"),
        ("1990.1", "calver"), ("2100.1", "calver"), ("1989.1", "generic"), ("2101.1", "generic"),
        ("2024", "generic"), ("4294967296.1", "generic"), ("+incompatible", "generic"),
        # marks in any case, texts past 64 bytes, only the first distribution mark of each kind
        ("1.0-R1", "alpine"), ("1.0-r01", "alpine"), ("1.0-r1a", "generic"), ("1.0-r1" + "1" * 70, "alpine"),
        ("1.0.PoSt2", "pep440"), ("v1.2.3+INCOMPATIBLE", "go"), ("1.2.3-PY38_0", "conda"),
        ("2.3+DEB11U1", "debian"), ("1.0~rc1" + "0" * 70, "debian"), ("0" * 70 + "2024.1", "calver"),
        ("1.0.fc.el8", "rpm"), ("1.0.elx.el8", "generic"), ("2.0.BETA1", "ruby"), ("2.0.Pre", "ruby"),
        ("2.0.prerelease", "generic"), ("1.a1", "generic"), ("2024.1.RC1", "calver"),
        # the guessed scheme rejects these, so they fall back to generic
        ("x!y", "generic"), ("!", "generic"), ("abc.dev1", "generic"), ("v1.2+incompatible", "generic"),
        ("x-SNAPSHOT", "generic"), ("a_alpha", "generic"), ("py_x", "generic"),
    ],
)
def test_detected_ecosystem(text, eco):
    assert ombrel.Version(text).ecosystem == eco
