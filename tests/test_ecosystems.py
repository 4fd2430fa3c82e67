import pytest
from conftest import ECOSYSTEMS, raises, unsupported

import ombrel

# A few aliases of each kind: another spelling, a tool, a registry, a distribution.
ALIASES = ("semver_strict=semver Semver-Strict=semver pep-440=pep440 PYTHON=pep440 dpkg=debian redhat=rpm "
           "rubygems=ruby mvn=maven golang=go nodejs=npm dotnet=nuget packagist=composer crates.io=crates "
           "erlang=hex apk=alpine oci=docker pacman=arch portage=gentoo R=cran r-cran=cran flutter=dart "
           "pkg=julia opentofu=terraform charts=helm perl=cpan nixpkgs=nix brew=homebrew freebsd-pkg=freebsd")
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
    [pair.split("=") for pair in ALIASES.split()] + [(n.upper(), n) for n in ECOSYSTEMS] + [(n.title(), n) for n in
                                                                                            ECOSYSTEMS],
)
def test_aliases_and_names_in_any_case_name_their_ecosystem(alias, canonical):
    assert behaviour(alias) == behaviour(canonical)


def test_ecosystems_are_distinguishable_by_their_rules():
    # Guards the probes above: most ecosystems behave differently from each other.
    assert len({tuple(map(str, behaviour(n))) for n in ECOSYSTEMS}) >= 12


@pytest.mark.parametrize(
    "name, quoted",
    [("PyPI", "pypi"), ("semver strict", "semver strict"), (" npm", " npm"), ("", ""), ("npm ", "npm "),
     ("generic\x00", "generic\x00"), ("ÉCO", "Éco"), ("auto ", "auto "),
     ("auto", None), ("AUTO", None), ("Auto", None)],
)
def test_unknown_names_quote_the_lower_cased_input_and_auto_comes_first(name, quoted):
    if quoted is None:
        assert ombrel.compare("1.0", "2.0", name) == -1
    else:
        raises(ValueError, unsupported(quoted), ombrel.compare, "1", "1", name)


# ecosystem: its name in messages, and whether it wants a leading digit
NAMES = {
    "ruby": ("Ruby gem", True), "nuget": ("NuGet", True), "calver": ("CalVer", True), "alpine": ("Alpine", True),
    "conda": ("Conda", True), "gentoo": ("Gentoo", True), "terraform": ("Terraform/OpenTofu", True),
    "composer": ("Composer", True), "maven": ("Maven", True), "docker": ("Docker tag", False),
    "spack": ("Spack", False), "cpan": ("CPAN", False), "nix": ("Nix", False), "homebrew": ("Homebrew", False),
    "freebsd": ("FreeBSD pkg", False), "arch": ("Arch", False), "cran": ("R/CRAN", False),
    "debian": ("Debian", False), "rpm": ("RPM", False),
}


@pytest.mark.parametrize("eco", sorted(NAMES))
def test_blank_and_non_digit_texts_are_rejected_in_either_position(eco):
    name, digit = NAMES[eco]
    message = f"empty {name}" if eco == "docker" else f"empty {name} version"
    for text in ["", " \t\r\n", "\u3000\u00a0\u2029\u0085"]:
        raises(ValueError, message, ombrel.compare, text, "1.0", eco)
        raises(ValueError, message, ombrel.compare, "1.0", text, eco)
    for text in [" x", "v 1", ".1"] if digit else []:
        raises(ValueError, f"{name} version must start with a digit: '{text}'", ombrel.compare, text, "1.0", eco)


@pytest.mark.parametrize(
    "eco, text, message",
    [
        ("ruby", "v1.0", "Ruby gem version must start with a digit: 'v1.0'"),
        ("composer", "v", "Composer version must start with a digit: 'v'"),
        ("composer", "master", "Composer version must start with a digit: 'master'"),
        ("composer", "dev", "Composer version must start with a digit: 'dev'"),
        ("cran", "3.6a", "R/CRAN version must contain only digits, '.', or '-': '3.6a'"),
        ("cran", " r3.6 ", "R/CRAN version must start with a digit: 'r3.6'"),
        ("cran", " 3.6_1", "R/CRAN version must contain only digits, '.', or '-': ' 3.6_1'"),
        ("arch", "1:", "invalid Arch version: '1:'"), ("arch", "-2.0", "invalid Arch version: '-2.0'"),
        ("arch", " 12: ", "invalid Arch version: ' 12: '"), ("arch", "-:1.0", "invalid Arch version: '-:1.0'"),
        ("arch", "1:-1", "invalid Arch version: '1:-1'"),
        ("go", "1.2.3", "Go version must start with a lowercase 'v' prefix: '1.2.3'"),
        ("go", "V1.2.3", "Go version must start with a lowercase 'v' prefix: 'V1.2.3'"),
        ("go", "v", "Go version must start with a lowercase 'v' prefix: 'v'"),
        ("go", "v.1.2.3", "Go version must start with a lowercase 'v' prefix: 'v.1.2.3'"),
        ("go", " vv1.2.3", "Go version must start with a lowercase 'v' prefix: ' vv1.2.3'"),
        ("go", "v1.2", "Expected 3 parts, got 2"),
        # accepted
        ("docker", "latest", None), ("spack", "develop", None), ("composer", "v1.0", None), ("composer", "V1.0", None),
        ("ruby", " 1.0 ", None), ("cran", "3.6-2", None), ("arch", "1:2.0-1", None), ("arch", ":2.0", None),
        ("arch", "a:2.0", None), ("arch", "2.0", None), ("arch", "1a:-1", None), ("go", "v1.2.3", None),
        ("go", " v1.2.3-rc.1+x ", None), ("generic", "", None), ("generic", "!!", None), ("nix", "unstable-2024", None),
        ("homebrew", "1.0_1", None), ("composer", "dev-", None), ("composer", "DEV-Feature/x", None),
        ("composer", " dev-main ", None), ("nix", "é", None),
    ],
)
def test_validators(eco, text, message):
    if message is None:
        assert ombrel.compare(text, text, eco) == 0
    else:
        raises(ValueError, message, ombrel.compare, text, "1.0", eco)


@pytest.mark.parametrize(
    "eco",
    sorted(set(NAMES) - {"cran", "debian", "rpm", "maven", "arch", "alpine", "gentoo", "ruby", "composer", "cpan", "nix"}),
)
def test_light_ecosystems_order_like_generic(eco):
    pairs = [("2024.01.5", "2024.1.10"), ("1.0-alpha", "1.0"), ("1.0", "1.0.post1"), ("1.0", "1.0.0")]
    for a, b in pairs:
        assert ombrel.compare(a, b, eco) == ombrel.compare(a, b, "generic")
