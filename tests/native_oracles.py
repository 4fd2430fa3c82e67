"""Batch drivers for the native-syntax differential tests: one tool process per test, fixed
seeds, and versions around every bound a constraint names."""

import json
import os
import re
import shutil
import subprocess

import pytest

from ombrel import native_satisfies, vers_contains, vers_from_native

NODE_SEMVER = "/usr/share/nodejs/semver"

NODE_SCRIPT = """
const { Range, SemVer } = require('%s');
const cases = JSON.parse(require('fs').readFileSync(0, 'utf8'));
console.log(JSON.stringify(cases.map(([r, vs]) => {
  let range;
  try { range = new Range(r); } catch (e) { return null; }
  return vs.map(v => range.test(new SemVer(v)));
})));
""" % NODE_SEMVER


def json_run(argv, value, env=None):
    """What `argv` prints in JSON when given `value` in JSON on its standard input."""
    return json.loads(subprocess.run(argv, input=json.dumps(value), capture_output=True, text=True, check=True,
                                     env=env).stdout)


def node_run(script, value):
    """`json_run` of a node script that requires Debian's node-semver, or a skip without it."""
    if not shutil.which("node") or not os.path.isdir(NODE_SEMVER):
        pytest.skip("node or Debian's node-semver is not installed")
    return json_run(["node", "-e", script], value, dict(os.environ, NODE_PATH="/usr/share/nodejs"))


def node_verdicts(cases):
    """node-semver's answer for each (range, versions): None when it refuses the range."""
    return node_run(NODE_SCRIPT, cases)


def bumped(numbers):
    """Release numbers around the given ones: each one and its neighbours, per position."""
    out = set()
    for nums in numbers:
        for i in range(len(nums)):
            for d in (-1, 0, 1):
                n = list(nums)
                n[i] = max(0, n[i] + d)
                out.add(tuple(n))
    return sorted(out)


def around(text, suffixes, width=3):
    """Versions near every number group of `text`, with the given pre-release suffixes."""
    groups = [[int(x) for x in m.split(".")] for m in re.findall(r"\d+(?:\.\d+)*", text)]
    groups = [(g + [0, 0, 0])[:width] for g in groups if all(n < 10**6 for n in g)] or [[0] * width]
    return [".".join(map(str, n)) + s for n in bumped(groups) for s in suffixes]


def outcome(version, constraint, ecosystem):
    try:
        return native_satisfies(version, constraint, ecosystem)
    except ValueError:
        return None


def check_round_trip(ecosystem, constraint, versions):
    """The VERS text holds exactly the versions the constraint does."""
    vers = vers_from_native(ecosystem, constraint)
    for v in versions:
        assert vers_contains(vers, v) == native_satisfies(v, constraint, ecosystem), (constraint, v, vers)


MAVEN_JARS = ["/usr/share/maven/lib/maven-artifact-3.x.jar", "/usr/share/maven/lib/commons-lang3.jar"]

MAVEN_PROGRAM = """
import java.io.*;
import org.apache.maven.artifact.versioning.*;
public class MavenRanges {
  public static void main(String[] args) throws Exception {
    BufferedReader in = new BufferedReader(new InputStreamReader(System.in, "UTF-8"));
    StringBuilder out = new StringBuilder();
    for (String line; (line = in.readLine()) != null;) {
      String[] parts = line.split("\\t", -1);
      VersionRange range;
      try { range = VersionRange.createFromVersionSpec(parts[0]); }
      catch (InvalidVersionSpecificationException e) { out.append("E\\n"); continue; }
      for (int i = 1; i < parts.length; i++)
        out.append(range.containsVersion(new DefaultArtifactVersion(parts[i])) ? '1' : '0');
      out.append('\\n');
    }
    System.out.print(out);
  }
}
"""


def maven_verdicts(cases, tmp_path):
    """VersionRange's answer for each (range, versions): None when it refuses the range."""
    if not shutil.which("java") or not all(os.path.exists(j) for j in MAVEN_JARS):
        pytest.skip("java or Debian's maven-artifact jar is not installed")
    source = tmp_path / "MavenRanges.java"
    source.write_text(MAVEN_PROGRAM)
    lines = "".join("\t".join([r, *vs]) + "\n" for r, vs in cases)
    run = subprocess.run(["java", "-cp", ":".join(MAVEN_JARS), str(source)], input=lines,
                         capture_output=True, text=True, check=True, encoding="utf-8")
    return [None if line == "E" else [c == "1" for c in line] for line in run.stdout.split("\n")[:-1]]


def dpkg_verdicts(triples):
    """`dpkg --compare-versions v op bound` for each (v, op, bound), in one shell loop."""
    if not shutil.which("dpkg"):
        pytest.skip("dpkg is not installed")
    script = 'while IFS="\t" read -r v op b; do dpkg --compare-versions "$v" "$op" "$b" 2>/dev/null && echo 1 || echo 0; done'
    run = subprocess.run(["sh", "-c", script], input="".join(f"{v}\t{op}\t{b}\n" for v, op, b in triples),
                         capture_output=True, text=True, check=True)
    return [line == "1" for line in run.stdout.split()]


RPM_LUA = """%%{lua:
local out = {}
for line in io.lines([==[%s]==]) do
  local a, b = line:match("^(.-)\\t(.*)$")
  out[#out + 1] = tostring(rpm.vercmp(a, b))
end
print(table.concat(out, " "))
}"""


def rpm_comparisons(pairs, tmp_path):
    """rpm.vercmp(a, b) for each pair, in one `rpm --eval`."""
    if not shutil.which("rpm"):
        pytest.skip("rpm is not installed")
    listing = tmp_path / "pairs.txt"
    listing.write_text("".join(f"{a}\t{b}\n" for a, b in pairs))
    run = subprocess.run(["rpm", "--eval", RPM_LUA % listing], capture_output=True, text=True, check=True)
    return [int(x) for x in run.stdout.split()]


RPM_DS_SCRIPT = r"""
import json, sys
import rpm
SENSE = {"<": rpm.RPMSENSE_LESS, ">": rpm.RPMSENSE_GREATER, "=": rpm.RPMSENSE_EQUAL}
def flags(op):
    return sum(SENSE[c] for c in set(op))
out = []
for relations, versions in json.load(sys.stdin):
    reqs = [rpm.ds(("p", flags(op), evr), "requires") for op, evr in relations]
    out.append([all(r.Compare(rpm.ds(("p", rpm.RPMSENSE_EQUAL, v), "provides")) for r in reqs)
                for v in versions])
json.dump(out, sys.stdout)
"""


def rpm_ds_verdicts(cases):
    """rpm's own dependency check for each (relations, versions): whether a package providing
    the version meets every `(op, evr)` requirement, in one run of the system Python's rpm."""
    python = "/usr/bin/python3"
    if subprocess.run([python, "-c", "import rpm"], capture_output=True).returncode:
        pytest.skip("the system Python has no rpm module")
    return json_run([python, "-c", RPM_DS_SCRIPT], cases)


def alpm_comparisons(pairs):
    """libalpm's alpm_pkg_vercmp(a, b) for each pair."""
    import ctypes
    import ctypes.util

    name = ctypes.util.find_library("alpm")
    if not name:
        pytest.skip("libalpm is not installed")
    vercmp = ctypes.CDLL(name).alpm_pkg_vercmp
    vercmp.argtypes, vercmp.restype = [ctypes.c_char_p, ctypes.c_char_p], ctypes.c_int
    return [vercmp(a.encode(), b.encode()) for a, b in pairs]


OPS = {"<": lambda r: r < 0, "<=": lambda r: r <= 0, "=": lambda r: r == 0, ">=": lambda r: r >= 0,
       ">": lambda r: r > 0}


def line_verdicts(argv, cases, tool):
    """Runs `argv` once over lines "constraint<TAB>version<TAB>...", one answer line back per
    case: "E" when the tool refuses the constraint, else a 0/1 per version ("-" for a version it
    cannot read). None for a refusal, lists of booleans (None for "-") otherwise."""
    if not shutil.which(argv[0]):
        pytest.skip(f"{tool} is not installed")
    text = "".join("\t".join([r, *vs]) + "\n" for r, vs in cases)
    run = subprocess.run(argv, input=text, capture_output=True, text=True, check=True)
    lines = run.stdout.splitlines()
    assert len(lines) == len(cases), run.stderr[-2000:]
    return [None if line == "E" else [None if c == "-" else c == "1" for c in line] for line in lines]


RUBY_SCRIPT = r"""
STDIN.each_line do |l|
  r, *vs = l.chomp("\n").split("\t", -1)
  parts = r.split(",", -1)
  begin
    req = Gem::Requirement.new(*(parts.empty? ? [""] : parts))
  rescue ArgumentError, Gem::Requirement::BadRequirementError
    puts "E"
    next
  end
  puts vs.map { |v| req.satisfied_by?(Gem::Version.new(v)) ? "1" : "0" }.join
end
"""

ELIXIR_SCRIPT = r"""
IO.stream(:stdio, :line) |> Enum.each(fn l ->
  [r | vs] = String.split(String.trim_trailing(l, "\n"), "\t")
  case Version.parse_requirement(r) do
    {:ok, req} -> IO.puts(Enum.map_join(vs, fn v -> if Version.match?(v, req), do: "1", else: "0" end))
    :error -> IO.puts("E")
  end
end)
"""

R_SCRIPT = r"""
con <- file("stdin"); lines <- readLines(con); close(con)
for (l in lines) {
  f <- strsplit(paste0(l, "\t"), "\t", fixed = TRUE)[[1]]
  res <- tryCatch({
    d <- tools:::.split_dependencies(paste0("pkg ", f[1]))[[1]]
    if (is.null(d$op) || !(d$op %in% c("<", "<=", ">", ">=", "==", "!="))) stop("operator")
    paste(vapply(f[-1], function(v) if (do.call(d$op, list(package_version(v), d$version))) "1" else "0", ""),
          collapse = "")
  }, error = function(e) "E")
  cat(res, "\n", sep = "")
}
"""


COMPOSER_AUTOLOAD = "/usr/share/php/Composer/Semver/autoload.php"

# Semver::satisfies, with the constraint parsed once per line; a version Composer cannot read
# answers "-" (no verdict).
COMPOSER_SCRIPT = r"""
require '%s';
use Composer\Semver\VersionParser; use Composer\Semver\Constraint\Constraint;
$p = new VersionParser();
while (($l = fgets(STDIN)) !== false) {
  $vs = explode("\t", substr($l, 0, -1));
  try { $c = $p->parseConstraints(str_replace("\\n", "\n", array_shift($vs))); }
  catch (\Throwable $e) { echo "E\n"; continue; }
  $out = '';
  foreach ($vs as $v) {
    try { $out .= $c->matches(new Constraint('==', $p->normalize($v))) ? '1' : '0'; }
    catch (\Throwable $e) { $out .= '-'; }
  }
  echo $out, "\n";
}
""" % COMPOSER_AUTOLOAD


def composer_verdicts(cases):
    """Composer's answer for each (constraint, versions): None for a refused constraint, None in
    place of a version Composer cannot read. A newline in a constraint travels as `\\n`."""
    if not os.path.exists(COMPOSER_AUTOLOAD):
        pytest.skip("php-composer-semver is not installed")
    return line_verdicts(["php", "-r", COMPOSER_SCRIPT], [(r.replace("\n", "\\n"), vs) for r, vs in cases], "php")


MASTERMINDS = "/usr/share/gocode/src/github.com/Masterminds/semver"

GO_PROGRAM = """package main

import (
	"bufio"
	"os"
	"strings"

	"github.com/Masterminds/semver"
)

func main() {
	in := bufio.NewScanner(os.Stdin)
	in.Buffer(make([]byte, 1<<20), 1<<26)
	out := bufio.NewWriter(os.Stdout)
	defer out.Flush()
	for in.Scan() {
		parts := strings.Split(in.Text(), "\\t")
		c, err := semver.NewConstraint(parts[0])
		if err != nil {
			out.WriteString("E\\n")
			continue
		}
		for _, v := range parts[1:] {
			if c.Check(semver.MustParse(v)) {
				out.WriteByte('1')
			} else {
				out.WriteByte('0')
			}
		}
		out.WriteByte('\\n')
	}
}
"""


def masterminds_verdicts(cases, tmp_path):
    """Masterminds/semver's Constraints.Check (Debian's Go package, the one Helm builds with) for
    each (constraint, versions): None when it refuses the constraint."""
    if not shutil.which("go") or not os.path.isdir(MASTERMINDS):
        pytest.skip("go or Debian's Masterminds/semver is not installed")
    (tmp_path / "main.go").write_text(GO_PROGRAM)
    env = dict(os.environ, GO111MODULE="off", GOPATH="/usr/share/gocode", GOCACHE=str(tmp_path / "cache"))
    subprocess.run(["go", "build", "-o", str(tmp_path / "check"), str(tmp_path / "main.go")], env=env,
                   check=True, capture_output=True)
    return line_verdicts([str(tmp_path / "check")], cases, "Masterminds/semver")


def ruby_verdicts(cases):
    return line_verdicts(["ruby", "-e", RUBY_SCRIPT], cases, "ruby")


def elixir_verdicts(cases):
    return line_verdicts(["elixir", "-e", ELIXIR_SCRIPT], cases, "elixir")


def r_verdicts(cases):
    return line_verdicts(["Rscript", "-e", R_SCRIPT], cases, "R")


def check_against(ecosystem, cases, verdicts, caveat=lambda v: False):
    """Every answer of the tool agrees, every refusal is refused; the VERS text round-trips
    for the versions without the pre-release caveat."""
    for (r, versions), answer in zip(cases, verdicts):
        if answer is None:
            with pytest.raises(ValueError):  # the syntax's message, or the bound's own
                vers_from_native(ecosystem, r)
            continue
        kept = [(v, a) for v, a in zip(versions, answer) if a is not None]  # versions it reads
        versions, answer = [v for v, _ in kept], [a for _, a in kept]
        got = [native_satisfies(v, r, ecosystem) for v in versions]
        assert got == answer, (r, [(v, a) for v, a, b in zip(versions, answer, got) if a != b])
        check_round_trip(ecosystem, r, [v for v in versions if not caveat(v)])


def check_answers(ecosystem, constraint, yes, no):
    """`constraint` holds every version of `yes` and none of `no`."""
    assert [v for v in yes if native_satisfies(v, constraint, ecosystem) is not True] == []
    assert [v for v in no if native_satisfies(v, constraint, ecosystem) is not False] == []
