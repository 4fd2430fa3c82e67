import pytest
from conftest import ECOSYSTEMS, raises, unsupported

import ombrel

ALIASES = {
    "semver_strict": "semver", "Semver-Strict": "semver", "pep-440": "pep440", "python": "pep440",
    "PYTHON": "pep440", "deb": "debian", "dpkg": "debian", "redhat": "rpm", "gem": "ruby",
    "rubygems": "ruby", "mvn": "maven", "golang": "go", "node": "npm", "nodejs": "npm",
    "dotnet": "nuget", "php": "composer", "packagist": "composer", "cargo": "crates",
    "crates.io": "crates", "elixir": "hex", "erlang": "hex", "swiftpm": "swift", "apk": "alpine",
    "oci": "docker", "mamba": "conda", "pacman": "arch", "archlinux": "arch", "portage": "gentoo",
    "R": "cran", "r-cran": "cran", "pub": "dart", "flutter": "dart", "pkg": "julia",
    "opentofu": "terraform", "chart": "helm", "charts": "helm", "perl": "cpan", "nixpkgs": "nix",
    "brew": "homebrew", "freebsd-pkg": "freebsd",
}
PROBES = [
    ("1.0.0", "1.0.0"), ("v1.0.0", "1.0"), ("1.0~rc1", "1.0"), ("1.0.0-SNAPSHOT", "1.0.0"),
    ("1!2.0", "2.0"), ("", "1"), ("x", "1"), ("1.0a", "1.0+b1"), ("1.0^1", "1.0"), ("3.6a", "3.6"),
    ("1.0.0-rc.1+x", "1.0.0"), ("-1", "1"), ("1.0", "1.0.0"),
]


def behaviour(name):
    """What an ecosystem name does to a fixed set of probes: results and messages."""
    out = []
    for a, b in PROBES:
        try:
            out.append(ombrel.compare(a, b, name))
        except ValueError as e:
            out.append(str(e))
    return out


@pytest.mark.parametrize(
    "alias, canonical",
    sorted(ALIASES.items()) + [(n.upper(), n) for n in ECOSYSTEMS] + [(n.title(), n) for n in ECOSYSTEMS],
)
def test_aliases_and_names_in_any_case_name_their_ecosystem(alias, canonical):
    assert behaviour(alias) == behaviour(canonical)


def test_ecosystems_are_distinguishable_by_their_rules():
    # Guards the probes above: most ecosystems behave differently from each other.
    assert len({tuple(map(str, behaviour(n))) for n in ECOSYSTEMS}) >= 12


@pytest.mark.parametrize(
    "name, quoted",
    [("PyPI", "pypi"), ("semver strict", "semver strict"), (" npm", " npm"), ("", ""), ("npm ", "npm "),
     ("generic\x00", "generic\x00"), ("ÉCO", "Éco"), ("auto ", "auto ")],
)
def test_unknown_names_quote_the_lower_cased_input(name, quoted):
    raises(ValueError, unsupported(quoted), ombrel.compare, "1", "1", name)


@pytest.mark.parametrize("name", ["auto", "AUTO", "Auto"])
def test_auto_is_recognised_before_names_are_looked_up(name):
    assert ombrel.compare("1.0", "2.0", name) == -1


EMPTY = {
    "ruby": "empty Ruby gem version", "nuget": "empty NuGet version", "calver": "empty CalVer version",
    "alpine": "empty Alpine version", "conda": "empty Conda version", "gentoo": "empty Gentoo version",
    "terraform": "empty Terraform/OpenTofu version", "docker": "empty Docker tag",
    "spack": "empty Spack version", "cpan": "empty CPAN version", "nix": "empty Nix version",
    "homebrew": "empty Homebrew version", "freebsd": "empty FreeBSD pkg version",
    "composer": "empty Composer version", "arch": "empty Arch version", "cran": "empty R/CRAN version",
    "debian": "empty Debian version", "rpm": "empty RPM version", "maven": "empty Maven version",
}
DIGIT_NAME = {
    "ruby": "Ruby gem", "nuget": "NuGet", "calver": "CalVer", "alpine": "Alpine", "conda": "Conda",
    "gentoo": "Gentoo", "terraform": "Terraform/OpenTofu", "composer": "Composer", "maven": "Maven",
}


@pytest.mark.parametrize("eco, message", sorted(EMPTY.items()))
@pytest.mark.parametrize("text", ["", "\t\r\n", "\u3000\u00a0\u2029\u0085"])
def test_blank_text_is_rejected_in_either_position(eco, message, text):
    raises(ValueError, message, ombrel.compare, text, "1.0", eco)
    raises(ValueError, message, ombrel.compare, "1.0", text, eco)


@pytest.mark.parametrize("eco, name", sorted(DIGIT_NAME.items()))
@pytest.mark.parametrize("text", [" x", "v 1", ".1"])
def test_digit_start_messages_quote_the_untrimmed_input(eco, name, text):
    raises(ValueError, f"{name} version must start with a digit: '{text}'", ombrel.compare, text, "1.0", eco)


@pytest.mark.parametrize(
    "eco, text, message",
    [
        ("ruby", "v1.0", "Ruby gem version must start with a digit: 'v1.0'"),
        ("composer", "v", "Composer version must start with a digit: 'v'"),
        ("cran", "3.6a", "R/CRAN version must contain only digits, '.', or '-': '3.6a'"),
        ("cran", " r3.6 ", "R/CRAN version must start with a digit: 'r3.6'"),
        ("cran", " 3.6_1", "R/CRAN version must contain only digits, '.', or '-': ' 3.6_1'"),
        ("arch", "1:", "invalid Arch version: '1:'"),
        ("arch", "-2.0", "invalid Arch version: '-2.0'"),
        ("arch", " 12: ", "invalid Arch version: ' 12: '"),
        ("go", "1.2.3", "Go version must start with a lowercase 'v' prefix: '1.2.3'"),
        ("go", "V1.2.3", "Go version must start with a lowercase 'v' prefix: 'V1.2.3'"),
        ("go", "v", "Go version must start with a lowercase 'v' prefix: 'v'"),
        ("go", "v1.2", "Expected 3 parts, got 2"),
        # accepted
        ("docker", "latest", None), ("spack", "develop", None), ("composer", "v1.0", None), ("composer", "V1.0", None),
        ("ruby", " 1.0 ", None), ("cran", "3.6-2", None), ("arch", "1:2.0-1", None), ("arch", ":2.0", None),
        ("arch", "a:2.0", None), ("arch", "2.0", None), ("go", "v1.2.3", None), ("go", " v1.2.3-rc.1+x ", None),
        ("generic", "", None), ("generic", "!!", None), ("nix", "unstable-2024", None), ("homebrew", "1.0_1", None),
    ],
)
def test_validators(eco, text, message):
    if message is None:
        assert ombrel.compare(text, text, eco) == 0
    else:
        raises(ValueError, message, ombrel.compare, text, "1.0", eco)


@pytest.mark.parametrize("eco", sorted(set(EMPTY) - {"cran", "debian", "rpm", "maven"}))
def test_light_ecosystems_order_like_generic(eco):
    pairs = [("2024.01.5", "2024.1.10"), ("1.0-alpha", "1.0"), ("1.0", "1.0.post1"), ("1.0", "1.0.0")]
    for a, b in pairs:
        assert ombrel.compare(a, b, eco) == ombrel.compare(a, b, "generic")
