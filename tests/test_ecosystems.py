import pytest

import ombrel

NAMES = (
    "generic semver pep440 debian rpm ruby maven go npm nuget composer crates hex swift calver "
    "alpine docker conda arch gentoo cran spack dart julia terraform helm cpan nix homebrew freebsd"
).split()
UNSUPPORTED = "unsupported ecosystem '{}'; expected one of: " + ", ".join(NAMES)

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


@pytest.mark.parametrize("name", [n.upper() for n in NAMES] + [n.title() for n in NAMES])
def test_canonical_names_are_accepted_in_any_case(name):
    assert behaviour(name) == behaviour(name.lower())


@pytest.mark.parametrize("alias, canonical", sorted(ALIASES.items()))
def test_aliases_name_their_ecosystem(alias, canonical):
    assert behaviour(alias) == behaviour(canonical)


def test_ecosystems_are_distinguishable_by_their_rules():
    # Guards the probes above: most ecosystems behave differently from each other.
    assert len({tuple(map(str, behaviour(n))) for n in NAMES}) >= 12


@pytest.mark.parametrize(
    "name, quoted",
    [
        ("PyPI", "pypi"), ("rcran", "rcran"), ("semver strict", "semver strict"), (" npm", " npm"),
        ("Foo", "foo"), ("", ""), ("npm ", "npm "), ("generic\x00", "generic\x00"),
        ("ÉCO", "Éco"), ("auto ", "auto "),
    ],
)
def test_unknown_names_quote_the_lower_cased_input(name, quoted):
    with pytest.raises(ValueError) as e:
        ombrel.compare("1", "1", name)
    assert e.value.args == (UNSUPPORTED.format(quoted),)


@pytest.mark.parametrize("name", ["auto", "AUTO", "Auto"])
def test_auto_is_recognised_before_names_are_looked_up(name):
    assert ombrel.compare("1.0", "2.0", name) == -1


LIGHT_EMPTY = {
    "ruby": "empty Ruby gem version", "nuget": "empty NuGet version", "calver": "empty CalVer version",
    "alpine": "empty Alpine version", "conda": "empty Conda version", "gentoo": "empty Gentoo version",
    "terraform": "empty Terraform/OpenTofu version", "docker": "empty Docker tag",
    "spack": "empty Spack version", "cpan": "empty CPAN version", "nix": "empty Nix version",
    "homebrew": "empty Homebrew version", "freebsd": "empty FreeBSD pkg version",
    "composer": "empty Composer version", "arch": "empty Arch version", "cran": "empty R/CRAN version",
}
DIGIT_NAME = {
    "ruby": "Ruby gem", "nuget": "NuGet", "calver": "CalVer", "alpine": "Alpine", "conda": "Conda",
    "gentoo": "Gentoo", "terraform": "Terraform/OpenTofu", "composer": "Composer",
}


@pytest.mark.parametrize("eco, message", sorted(LIGHT_EMPTY.items()))
@pytest.mark.parametrize("text", ["", "   ", "\u3000\t"])
def test_light_ecosystems_reject_blank_text(eco, message, text):
    with pytest.raises(ValueError) as e:
        ombrel.compare(text, "1.0", eco)
    assert e.value.args == (message,)


@pytest.mark.parametrize("eco, name", sorted(DIGIT_NAME.items()))
@pytest.mark.parametrize("text", [" x", "latest", "v 1", ".1"])
def test_digit_start_messages_quote_the_untrimmed_input(eco, name, text):
    with pytest.raises(ValueError) as e:
        ombrel.compare(text, "1.0", eco)
    assert e.value.args == (f"{name} version must start with a digit: '{text}'",)


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
        ("terraform", "latest", "Terraform/OpenTofu version must start with a digit: 'latest'"),
    ],
)
def test_validator_messages(eco, text, message):
    with pytest.raises(ValueError) as e:
        ombrel.compare(text, "1.0", eco)
    assert e.value.args == (message,)


@pytest.mark.parametrize(
    "eco, text",
    [
        ("docker", "latest"), ("spack", "develop"), ("composer", "v1.0"), ("composer", "V1.0"),
        ("ruby", " 1.0 "), ("cran", "3.6-2"), ("arch", "1:2.0-1"), ("arch", ":2.0"),
        ("arch", "a:2.0"), ("arch", "2.0"), ("go", "v1.2.3"), ("go", " v1.2.3-rc.1+x "),
        ("generic", ""), ("generic", "!!"), ("nix", "unstable-2024"), ("homebrew", "1.0_1"),
    ],
)
def test_validators_accept(eco, text):
    assert ombrel.compare(text, text, eco) == 0


@pytest.mark.parametrize("eco", sorted(set(LIGHT_EMPTY) - {"cran"}))
def test_light_ecosystems_order_like_generic(eco):
    pairs = [("2024.01.5", "2024.1.10"), ("1.0-alpha", "1.0"), ("1.0", "1.0.post1"), ("1.0", "1.0.0")]
    for a, b in pairs:
        assert ombrel.compare(a, b, eco) == ombrel.compare(a, b, "generic")


def test_npm_and_semver_agree():
    for a, b in [("1.0.0-rc.1", "1.0.0"), ("1.0.0-1.a", "1.0.0-1.1"), ("2.0.0", "10.0.0")]:
        assert ombrel.compare(a, b, "npm") == ombrel.compare(a, b, "semver")
