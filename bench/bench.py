#!/usr/bin/env python3
"""Times quillen against the formatters a user would pick instead, and writes
bench/results.md, the plot bench/sweep.svg, the tables of doc/performance.md
and the headline table of the README.

    bench/bench.py QUILLEN DATA_DIR [ROUNDS]

- 500 small files, one process each, against xmllint --format and the floor
  of starting /bin/true;
- one 60 MB document against xmllint --format;
- a sweep from 1 KB to 100 MB against xmllint --format, xmlstarlet fo, tidy,
  xml_pp and prettier's XML plugin, with each output judged against its input;
- the limits: one element with 10k to 80k attributes, memory per MB, and a
  hostile pair (SVG "text" under ancestors with many attributes) that must
  take at most twice the time of the same document with another name;
- instructions on the 10 MB document, counted by callgrind: the same for
  the same program and input however busy the machine, so that a change
  shows where wall times vary by a fifth.
"""

import math
import os
import platform
import re
import statistics
import subprocess
import sys
import time

from gen import ATTRIBUTES, HOSTILE, SIZES, attributes_path, hostile_path, sweep_path

QUILLEN, DATA = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 9
HERE = os.path.dirname(os.path.abspath(__file__))
SMALL = sorted(os.path.join(DATA, "small", f) for f in os.listdir(os.path.join(DATA, "small"))
               if f.endswith(".xml") and "_for" not in f)
SWEEP = tuple(SIZES)
# A program whose run takes longer than this is run once per size.
ONCE_AFTER = 10.0


def huge_page_mode():
    """The system's transparent huge pages, which quillen asks for with a big
    document: the mode and the defragmentation chosen, as the kernel shows
    them ("always [madvise] never")."""
    def chosen(name):
        try:
            with open(f"/sys/kernel/mm/transparent_hugepage/{name}") as f:
                return re.search(r"\[(\w[\w+]*)\]", f.read()).group(1)
        except (OSError, AttributeError):
            return "unknown"
    return f"transparent huge pages {chosen('enabled')}, defrag {chosen('defrag')}"


# prettier and its XML plugin, pinned, as scripts/setup.sh bench installs them.
PRETTIER = os.path.join(HERE, "..", ".deps", "prettier", "node_modules")
if not os.path.isfile(os.path.join(PRETTIER, "prettier", "bin", "prettier.cjs")):
    sys.exit("bench: prettier is missing from .deps/prettier (scripts/setup.sh bench installs it)")


def output_of(path, tag):
    return f"{path[:-4]}_for{tag}.xml"


# Each program: the argv that formats PATH, where its stdout goes (None: it
# writes its own file), and the exit statuses that mean success.
PROGRAMS = {
    "quillen": lambda p: ([QUILLEN, p], None, (0,)),
    "xmllint --format": lambda p: (["xmllint", "--format", p], output_of(p, "-xmllint"), (0,)),
    "xmlstarlet fo": lambda p: (["xmlstarlet", "fo", p], output_of(p, "-xmlstarlet"), (0,)),
    # tidy exits 1 after warnings, with its output written.
    "tidy -xml -indent": lambda p: (["tidy", "-xml", "-indent", "-quiet", p], output_of(p, "-tidy"), (0, 1)),
    "xml_pp": lambda p: (["xml_pp", p], output_of(p, "-xml_pp"), (0,)),
    # As tests/formatter.sh runs it, keeping white space as it is.
    "prettier --parser xml": lambda p: (["node", os.path.join(PRETTIER, "prettier", "bin", "prettier.cjs"),
                                         "--plugin=" + os.path.join(PRETTIER, "@prettier", "plugin-xml", "src",
                                                                    "plugin.js"),
                                         "--parser", "xml", "--print-width", "100",
                                         "--xml-whitespace-sensitivity", "strict", p],
                                        output_of(p, "-prettier"), (0,)),
}


def output_file(name, path):
    argv, stdout, _ = PROGRAMS[name](path)
    return stdout or output_of(path, "")


def run(argv, stdout_path=None):
    """Runs one process; returns (wall seconds, peak resident KiB, status).

    GNU time reports the peak: a child forked from Python itself would count
    Python's own memory, which it shares until exec."""
    peakFile = os.path.join(DATA, ".peak")
    with open(stdout_path or os.devnull, "wb") as out:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peakFile, *argv], stdout=out,
                              stderr=subprocess.DEVNULL)
        wall = time.perf_counter() - start
    with open(peakFile) as f:
        return wall, int(f.read().split()[-1]), proc.returncode


def run_program(name, path):
    argv, stdout, ok = PROGRAMS[name](path)
    wall, peak, status = run(argv, stdout)
    return wall, peak, status in ok


def canonical(path):
    """The canonical form as the roundtrip suite compares it, hashed; None if
    xmllint cannot read the file."""
    script = ('xmllint --nonet --loaddtd --noent --c14n "$1" | LC_ALL=C tr -d " \\t\\n\\r" | '
              'sha256sum; exit "${PIPESTATUS[0]}"')
    proc = subprocess.run(["bash", "-c", script, "canonical", path], capture_output=True, text=True)
    return proc.stdout.split()[0] if proc.returncode == 0 else None


def verdict(name, path, succeeded, expected):
    """What a program did with the content: "" when it kept it."""
    if not succeeded:
        return "refused"
    if expected is None:
        return "input not judged"
    actual = canonical(output_file(name, path))
    if actual is None:
        return "broken"
    return "" if actual == expected else "changed"


# Timing: an interleaved harness rather than hyperfine. On this shared
# virtual machine the speed drifts over seconds; running every program once
# per round, in turn, gives each the same conditions, where hyperfine runs
# all of one command's runs back to back.
def interleaved(names, paths, rounds, note):
    """{(name, path): [(wall, peak, succeeded)]} over interleaved rounds."""
    runs = {(n, p): [] for n in names for p in paths}
    for r in range(rounds):
        for p in paths:
            for n in names:
                done = runs[(n, p)]
                if done and done[0][0] > ONCE_AFTER:
                    continue
                done.append(run_program(n, p))
        print(f"bench: {note}, round {r + 1}/{rounds}", file=sys.stderr)
    return runs


def small_loop(name):
    """The 500 small files, one process each, from a shell loop as a script
    would run them."""
    loops = {
        "quillen": 'for f; do "$0" "$f" >/dev/null; done',
        "xmllint --format": 'for f; do xmllint --format "$f" >"${f%.xml}_for.xml"; done',
        "/bin/true": 'for f; do /bin/true "$f"; done',
    }
    program = {"quillen": QUILLEN, "xmllint --format": "xmllint", "/bin/true": "/bin/true"}[name]
    start = time.perf_counter()
    subprocess.run(["bash", "-c", loops[name], program, *SMALL], check=True)
    return time.perf_counter() - start


def instructions(argv, stdout_path=None):
    """The instructions that running ARGV takes, as callgrind counts them."""
    with open(stdout_path or os.devnull, "wb") as out:
        proc = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", *argv],
                              stdout=out, stderr=subprocess.PIPE, text=True)
    return int(re.search(r"Collected : (\d+)", proc.stderr).group(1))


def seconds(s):
    return f"{s:.3f} s" if s < 10 else f"{s:.1f} s"


def mib(kib):
    return f"{kib / 1024:.1f} MiB"


def slope(sizes, values):
    """The exponent k in value ~ size^k, by least squares on the logs."""
    xs, ys = [math.log(s) for s in sizes], [math.log(v) for v in values]
    mx, my = statistics.mean(xs), statistics.mean(ys)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sum((x - mx) ** 2 for x in xs)


def main():
    # Many small files: the floor is starting a process at all. A round takes
    # seconds and varies much from round to round here: three times as many.
    names = ["quillen", "xmllint --format", "/bin/true"]
    loops = {n: [] for n in names}
    for r in range(3 * ROUNDS):
        for n in names:
            loops[n].append(small_loop(n))
        print(f"bench: small files, round {r + 1}/{3 * ROUNDS}", file=sys.stderr)
    loop = {n: statistics.median(loops[n]) for n in names}
    smallPeak = {n: max(run_program(n, f)[1] for f in SMALL[:50]) for n in names[:2]}
    floor = loop["/bin/true"]

    # The large document.
    large = os.path.join(DATA, "large.xml")
    big = interleaved(names[:2], [large], ROUNDS, "60 MB document")
    bigWall = {n: statistics.median(w for w, _, _ in big[(n, large)]) for n in names[:2]}
    bigPeak = {n: max(m for _, m, _ in big[(n, large)]) for n in names[:2]}
    size = os.path.getsize(large) / 1e6
    smallKb = sum(os.path.getsize(f) for f in SMALL) / len(SMALL) / 1000

    # The sweep, every peer, each output judged.
    peers = list(PROGRAMS)
    sweep = {}
    verdicts = {}
    planned = {}
    bigRounds = max(3, ROUNDS // 3)
    for s in SWEEP:
        path = sweep_path(DATA, s)
        planned[s] = ROUNDS if os.path.getsize(path) < 5e6 else bigRounds
        runs = interleaved(peers, [path], planned[s], f"sweep {s}")
        expected = canonical(path)
        for n in peers:
            sweep[(n, s)] = runs[(n, path)]
            verdicts[(n, s)] = verdict(n, path, all(ok for _, _, ok in runs[(n, path)]), expected)
    wall = {k: statistics.median(w for w, _, _ in v) for k, v in sweep.items()}
    peak = {k: max(m for _, m, _ in v) for k, v in sweep.items()}

    # Limits: attributes on one element (quadratic in the library's
    # duplicate check), run once each.
    attributes = {}
    for a in ATTRIBUTES:
        path = attributes_path(DATA, a)
        for n in names[:2]:
            attributes[(n, a)] = run_program(n, path)[0]
        print(f"bench: {a // 1000}k attributes", file=sys.stderr)

    # The hostile pair, interleaved, and its bound.
    pair = [hostile_path(DATA, n) for n in HOSTILE]
    hostileRuns = interleaved(["quillen"], pair, ROUNDS, "hostile pair")
    hostileWall = [statistics.median(w for w, _, _ in hostileRuns[("quillen", p)]) for p in pair]
    hostileRatio = hostileWall[0] / hostileWall[1]

    # Instructions, which do not vary from run to run.
    tenMb = sweep_path(DATA, "10 MB")
    counts = {n: instructions(*PROGRAMS[n](tenMb)[:2]) for n in names[:2]}
    print("bench: instructions", file=sys.stderr)

    # The plot.
    with open(os.path.join(HERE, "sweep.dat"), "w") as f:
        f.write("# size_bytes " + " ".join(f'"{n}"_s "{n}"_MiB' for n in peers) + "\n")
        for s in SWEEP:
            cells = " ".join(f"{wall[(n, s)]:.6f} {peak[(n, s)] / 1024:.2f}" for n in peers)
            f.write(f"{os.path.getsize(sweep_path(DATA, s))} {cells}\n")
    titles = ", ".join(f'"{n}"' for n in peers)
    subprocess.run(["gnuplot", "-e", f"data='{HERE}/sweep.dat'; out='{HERE}/sweep.svg'; "
                    f"array names[{len(peers)}] = [{titles}]", os.path.join(HERE, "sweep.gp")], check=True)

    def cell(n, s, text):
        mark = verdicts[(n, s)]
        return f"{text} ({mark})" if mark else text

    def counted(n, s):
        return " ¹" if len(sweep[(n, s)]) < planned[s] else ""

    fromMb = SWEEP[3:]
    sizes = [os.path.getsize(sweep_path(DATA, s)) for s in fromMb]
    timeSlope = slope(sizes, [wall[("quillen", s)] for s in fromMb])
    memorySlope = slope(sizes, [peak[("quillen", s)] for s in fromMb])
    perMb = peak[("quillen", "100 MB")] / 1024 / (os.path.getsize(sweep_path(DATA, "100 MB")) / 1e6)
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            cpu = re.search(r"model name\s*:\s*(.*)", f.read()).group(1)
    except (OSError, AttributeError):
        pass
    libxml = subprocess.run(["xmllint", "--version"], capture_output=True, text=True).stderr.split("\n")[0]
    hugePages = huge_page_mode()
    once = any(len(sweep[(n, s)]) < planned[s] for n in peers for s in SWEEP)

    table = [
        f"Medians of {ROUNDS} interleaved rounds (small files: {3 * ROUNDS}; sweep: {bigRounds} from "
        "10 MB up); peak memory is the largest resident set seen.",
        f"Machine: {os.cpu_count()} cores, {cpu}, {platform.system()} {platform.release()}; {hugePages}; {libxml}.",
        "",
        "| workload | quillen | xmllint --format | /bin/true | quillen is |",
        "|---|---|---|---|---|",
        f"| {len(SMALL)} small files ({smallKb:.1f} KB on average), one process each | {seconds(loop['quillen'])} | "
        f"{seconds(loop['xmllint --format'])} | {seconds(floor)} | {loop['quillen'] / floor:.2f} × /bin/true; "
        f"above that floor, {(loop['quillen'] - floor) / (loop['xmllint --format'] - floor):.2f} × xmllint |",
        f"| peak memory of a small file | {mib(smallPeak['quillen'])} | {mib(smallPeak['xmllint --format'])} | | "
        f"{smallPeak['quillen'] / smallPeak['xmllint --format']:.2f} × xmllint |",
        f"| one {size:.0f} MB document | {seconds(bigWall['quillen'])} | {seconds(bigWall['xmllint --format'])} | | "
        f"{bigWall['quillen'] / bigWall['xmllint --format']:.2f} × xmllint |",
        f"| peak memory, {size:.0f} MB document | {mib(bigPeak['quillen'])} | {mib(bigPeak['xmllint --format'])} | | "
        f"{bigPeak['quillen'] / bigPeak['xmllint --format']:.2f} × xmllint |",
        f"| instructions, 10 MB document (callgrind) | {counts['quillen'] / 1e6:,.0f} M | "
        f"{counts['xmllint --format'] / 1e6:,.0f} M | | "
        f"{counts['quillen'] / counts['xmllint --format']:.2f} × xmllint |",
        "",
        "Time by input size (each program writes its output to a file):",
        "",
        "| size | " + " | ".join(peers) + " |",
        "|---" * (len(peers) + 1) + "|",
        *(f"| {s} | " + " | ".join(cell(n, s, seconds(wall[(n, s)]) + counted(n, s)) for n in peers) + " |"
          for s in SWEEP),
        "",
        "Peak memory by input size:",
        "",
        "| size | " + " | ".join(peers) + " |",
        "|---" * (len(peers) + 1) + "|",
        *(f"| {s} | " + " | ".join(cell(n, s, mib(peak[(n, s)])) for n in peers) + " |" for s in SWEEP),
        "",
        "Every output was judged as the roundtrip suite judges quillen's: read back by xmllint, same canonical "
        "form apart from white space. A program that failed is marked (refused), one whose output does not "
        "read is marked (broken), one that changed the content (changed)."
        + (f" ¹ Run once: a single run took over {ONCE_AFTER:.0f} s." if once else ""),
        "",
        f"From 1 MB to 100 MB, quillen's time grows as size^{timeSlope:.2f} and its memory as "
        f"size^{memorySlope:.2f}: linear, at about {perMb:.1f} MiB of memory per MB of input.",
    ]
    limits = [
        "| attributes on one element | quillen | xmllint --format |",
        "|---|---|---|",
        *(f"| {a // 1000}k | {seconds(attributes[('quillen', a)])} | {seconds(attributes[('xmllint --format', a)])} |"
          for a in ATTRIBUTES),
        "",
        "| hostile input | quillen | the same, another element name | ratio (bound: 2) |",
        "|---|---|---|---|",
        f"| SVG `text` under 10 groups of 3,000 attributes, 200,000 of them | {seconds(hostileWall[0])} | "
        f"{seconds(hostileWall[1])} | {hostileRatio:.2f}{'' if hostileRatio <= 2 else ' (over the bound)'} |",
    ]
    # The README's headline: every peer on the big documents of the sweep.
    headline = [
        "| | " + " | ".join(peers) + " |",
        "|---" * (len(peers) + 1) + "|",
        *(f"| {s} document | " + " | ".join(cell(n, s, seconds(wall[(n, s)]) + counted(n, s)) for n in peers) + " |"
          for s in SWEEP[3:]),
        f"| peak memory, {SWEEP[-1]} | " + " | ".join(cell(n, SWEEP[-1], mib(peak[(n, SWEEP[-1])])) for n in peers)
        + " |",
        "",
        f"{len(SMALL)} small files, one process each: {loop['quillen'] / floor:.2f} × the time of starting "
        f"`/bin/true` as often. The {size:.0f} MB document: {bigWall['quillen'] / bigWall['xmllint --format']:.2f} × "
        f"xmllint's time, {bigPeak['quillen'] / bigPeak['xmllint --format']:.2f} × its memory; the 10 MB one "
        f"{counts['quillen'] / counts['xmllint --format']:.2f} × its instructions. {ROUNDS} interleaved rounds on "
        f"{os.cpu_count()} cores, {cpu}" + (f"; ¹ run once, a run took over {ONCE_AFTER:.0f} s." if once else "."),
    ]
    results = "\n".join(table) + "\n\nLimits (attributes: one run each):\n\n" + "\n".join(limits) + "\n"
    print(results)
    with open(os.path.join(HERE, "results.md"), "w") as f:
        f.write(results)
    for document, markers in (("README.md", (("headline", headline),)),
                              ("doc/performance.md", (("bench", table), ("limits", limits)))):
        path = os.path.join(HERE, "..", document)
        with open(path) as f:
            text = f.read()
        for marker, lines in markers:
            start, end = f"<!-- {marker}:start -->\n", f"<!-- {marker}:end -->"
            if start in text and end in text:
                head, rest = text.split(start, 1)
                text = head + start + "\n".join(lines) + "\n" + end + rest.split(end, 1)[1]
        with open(path, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
