import itertools
import random
import shutil

import pytest
from native_oracles import around, check_against, check_answers, json_run

from ombrel import vers_from_native


@pytest.mark.parametrize(
    "constraint, yes, no",
    [
        (">= 1.2, < 2.0, != 1.5", ["1.2", "1.200", "v1.200", "1.400", "1.999"], ["1.5", "1.500", "2", "1.19"]),
        ("1.2", ["1.2", "1.200.0.0.1", "v1.200.0", "1.21"], ["1.1", "1.19", "1.2.3", "1.002"]),
        ("0", ["0", "0.0.0", "undef", "v0.0.1"], []),
        ("", ["0", "1"], []),
        (",", ["0", "99"], []),
        (" ,\t", ["0"], []),
        ("!= v1.2", ["1.2", "1.2.1"], ["1.2.0", "1.002", "v1.2"]),
        ("1.2_3", ["1.23", "1.2_3", "1.3"], ["1.203", "1.2_2"]),
        (">= 1.2.3_4", ["1.2.34", "v1.2.34"], ["1.2.3.4", "1.2.33"]),
        (">= v1.2_3", ["v1.23", "1.23.0"], ["v1.22.9"]),
        ("\t\n>=\r1 ,\t< 2 ,", ["1", "1.9"], ["2", "0.9"]),
        ("1.2, 1.5", ["1.5"], ["1.3"]),
        (">= 1, <= 1.000", ["1", "1.0.0"], ["1.0.0.1", "0.999"]),
        ("< 0", [], ["0", "undef"]),
        ("<= undef", ["0"], ["0.0.1"]),
        (".5", ["0.5", "v0.500"], ["0.499"]),
        (">= 2147483647, <= v2147483647", ["2147483647"], ["2147483646.999"]),
        ("< 1.2147483648", ["1.214748364799"], ["1.2147483648", "1.214748364800"]),
        ("1.2.3_", ["1.2.3"], ["1.2.2"]),
        ("\u00a0>=\u2028 1 \u3000,\u00a0", ["1"], ["0.9"]),  # Perl's \s on text is Unicode's
        ("\v1", ["1"], ["0.9"]),
    ],
)
def test_cpan_requirements(constraint, yes, no):
    check_answers("cpan", constraint, yes, no)


# JSON both ways: constraints hold tabs and line breaks.
PERL_SCRIPT = r"""
use CPAN::Meta::Requirements;
use JSON::PP;
$SIG{__WARN__} = sub {};
my $cases = decode_json(do { local $/; <STDIN> });
print encode_json([map {
  my ($r, $vs) = @$_;
  my $q = CPAN::Meta::Requirements->new;
  eval { $q->add_string_requirement(M => $r); 1 }
    ? [map { $q->accepts_module(M => $_) ? JSON::PP::true : JSON::PP::false } @$vs] : undef
} @$cases]);
"""


def perl_verdicts(cases):
    """CPAN::Meta::Requirements' answer for each (constraint, versions): None when it refuses."""
    if not shutil.which("perl"):
        pytest.skip("perl is not installed")
    return json_run(["perl", "-e", PERL_SCRIPT], cases)


def generated_requirements(seed, count):
    rng = random.Random(seed)

    def version():
        nums = [str(rng.choice([0, 1, 2, 5, 10, 12, 200])) for _ in range(rng.randint(1, 4))]
        text = rng.choice(["v", "", "", ""]) + nums[0] + "".join("." + n for n in nums[1:])
        return text + rng.choice(["", "", "", "", "", "", "", "_" + str(rng.randint(0, 12)), "_", "."])

    def piece():
        op = rng.choice(["", ">=", "<=", "==", "!=", ">", "<", ">=", "<", ">=", "<", "!=", "=>"])
        return op + rng.choice(["", " ", " ", "  "]) + version()

    seps = [", ", ",", " ,\t", ", ", ",\u00a0", ",,"]
    return [rng.choice(["", "", "", "\n", "\u2028"]) + rng.choice(seps).join(piece() for _ in range(rng.randint(1, 3)))
            + rng.choice(["", "", "", "", ", ", " "]) for _ in range(count)]


def test_agrees_with_cpan_meta_requirements():
    fixed = ["1.2.3_4", "v1.2.34", "1.002003", "undef", "0", "v0.0.1"]
    cases = [(r, around(r, [""]) + ["v" + v for v in around(r, [""])] + around(r, [""], width=2) + fixed)
             for r in generated_requirements(1616, 400)]
    verdicts = perl_verdicts(cases)
    assert 40 < verdicts.count(None) < 300  # refusals of each kind are reached
    check_against("cpan", cases, verdicts)


def test_reads_versions_as_version_pm_does():
    texts = ["".join(t) for n in range(1, 6) for t in itertools.product("01._v", repeat=n)]
    texts += ["undef", "1.2.3_", "v1.2_3", "2147483647", "0000000000", "1.2.2147483647", "1.2_2147483648",
              "v1.000000002147483647", "0.99999999999999999999"]
    cases = [(f">= {t}", []) for t in texts]
    for (r, _), answer in zip(cases, perl_verdicts(cases)):
        try:
            vers_from_native("cpan", r)
            refused = False
        except ValueError:
            refused = True
        assert refused == (answer is None), r
