import contextlib
import itertools
import json
import os
import pathlib
import random
import sys
import threading
import time

import pytest

DATA = pathlib.Path(__file__).resolve().parents[2] / "shared" / "data" / "versions"
ORDER_FACTS = DATA.parent / "orders" / "alpine-gentoo.json"


def read_versions(name):
    """Real version texts from the shared sample files, or a skip when they are absent."""
    path = DATA / name
    if not path.exists():
        pytest.skip(f"{path} not available")
    return [line for line in path.read_text(encoding="utf-8").splitlines() if line]


U64 = 18446744073709551615
# A guard against quadratic work, not a speed check: budgets are generous, and the sanitizer run
# (several times slower) scales them with OMBREL_TIME_SCALE.
TIME_SCALE = float(os.environ.get("OMBREL_TIME_SCALE", "1"))


@contextlib.contextmanager
def within(seconds):
    start = time.perf_counter()
    yield
    elapsed = time.perf_counter() - start
    assert elapsed < seconds * TIME_SCALE, f"took {elapsed:.1f} s"


def outcome(fn, *args):
    """fn(*args), or the type and arguments of the ValueError or TypeError it raises."""
    try:
        return fn(*args)
    except (ValueError, TypeError) as e:
        return (type(e).__name__, e.args)


def wrong_in_threads(calls, threads, rounds):
    """The indices of `calls` whose outcome differed from one thread's, when `threads` threads
    make every call `rounds` times, each in its own order, switching as often as they can."""
    expected = [outcome(fn, *args) for fn, args in calls]
    wrong = []

    def hammer(seed):
        order = list(range(len(calls)))
        random.Random(seed).shuffle(order)
        for _ in range(rounds):
            for i in order:
                fn, args = calls[i]
                if outcome(fn, *args) != expected[i]:
                    wrong.append(i)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        workers = [threading.Thread(target=hammer, args=(seed,)) for seed in range(threads)]
        for t in workers:
            t.start()
        for t in workers:
            t.join()
    finally:
        sys.setswitchinterval(interval)
    return wrong


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


def comparator_error(token):
    return f"invalid comparator: '{token}'; expected operator (>=, <=, >, <, ==, !=) followed by version"


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


def broken_facts(ecosystem):
    """The ordering facts of the shared collection (ascending runs, equal and unequal pairs)
    that `ecosystem`'s order breaks, or a skip when the collection is absent."""
    if not ORDER_FACTS.exists():
        pytest.skip(f"{ORDER_FACTS} not available")
    import ombrel

    allowed = {"ascending": {-1, 0}, "equal": {0}, "unequal": {-1, 1}}
    wrong = []
    for fact in json.loads(ORDER_FACTS.read_text(encoding="utf-8"))[ecosystem]:
        for kind, texts in fact.items():
            got = [ombrel.compare(a, b, ecosystem) for a, b in itertools.combinations(texts, 2)]
            if not set(got) <= allowed[kind]:
                wrong.append((kind, texts, got))
    return wrong


def assert_transitive(texts, ecosystem):
    """a <= b and b <= c give a <= c, strictly when either step is strict."""
    import ombrel

    order = {(a, b): ombrel.compare(a, b, ecosystem) for a in texts for b in texts}
    broken = [(a, b, c) for a, b, c in itertools.permutations(texts, 3)
              if order[a, b] <= 0 and order[b, c] <= 0 and order[a, c] != min(order[a, b], order[b, c])]
    assert broken[:3] == []


def texts_from_parts(rng, count, parts):
    """`count` texts, each one choice from every list in `parts`, joined."""
    return ["".join(rng.choice(p) for p in parts) for _ in range(count)]


OSV_DATA = DATA.parent / "osv"


def osv_entry(ecosystem, *events, name=None, versions=None, type="ECOSYSTEM"):
    """An OSV "affected" entry: the package, one range holding `events`, the listed versions."""
    package = {"ecosystem": ecosystem} if name is None else {"ecosystem": ecosystem, "name": name}
    entry = {"package": package, "ranges": [{"type": type, "events": list(events)}]}
    return entry if versions is None else {**entry, "versions": versions}


def osv_data(name):
    """A path in the shared OSV sample, or a skip when it is absent."""
    path = OSV_DATA / name
    if not path.exists():
        pytest.skip(f"{path} not available")
    return path
