#!/usr/bin/env python3
"""Times quillen against `xmllint --format` (and, for many small files, against
starting /bin/true) in one interleaved run, and writes the results table.

    bench/bench.py QUILLEN DATA_DIR [ROUNDS]
"""

import os
import platform
import re
import statistics
import subprocess
import sys
import time

QUILLEN, DATA = os.path.abspath(sys.argv[1]), sys.argv[2]
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 7
HERE = os.path.dirname(os.path.abspath(__file__))
LARGE = os.path.join(DATA, "large.xml")
SMALL = sorted(os.path.join(DATA, "small", f) for f in os.listdir(os.path.join(DATA, "small"))
               if f.endswith(".xml") and not f.endswith("_for.xml"))


def output_of(path):
    return path[:-4] + "_for.xml"


def run(argv, stdout_path=None):
    """Runs one process; returns (wall seconds, peak resident KiB).

    GNU time reports the peak: a child forked from Python itself would count
    Python's own memory, which it shares until exec."""
    out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    peakFile = os.path.join(DATA, ".peak")
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peakFile, *argv], stdout=out)
    wall = time.perf_counter() - start
    if out is not subprocess.DEVNULL:
        out.close()
    if proc.returncode != 0:
        sys.exit(f"bench: {' '.join(argv)} failed")
    with open(peakFile) as f:
        return wall, int(f.read().split()[-1])


# One process per file, started by a shell loop as a script would.
LOOPS = {
    "quillen": 'for f; do "$0" "$f" >/dev/null; done',
    "xmllint --format": 'for f; do xmllint --format "$f" >"${f%.xml}_for.xml"; done',
    "/bin/true": 'for f; do /bin/true "$f"; done',
}
PROGRAMS = {"quillen": QUILLEN, "xmllint --format": "xmllint", "/bin/true": "/bin/true"}


def small_loop(name):
    start = time.perf_counter()
    subprocess.run(["bash", "-c", LOOPS[name], PROGRAMS[name], *SMALL], check=True)
    return time.perf_counter() - start


def command(name, path):
    """The argv that formats one file, and where its stdout goes."""
    if name == "quillen":
        return [QUILLEN, path], None
    if name == "xmllint --format":
        return ["xmllint", "--format", path], output_of(path)
    return ["/bin/true", path], None


def small_peak(name):
    return max(run(*command(name, f))[1] for f in SMALL)


def large(name):
    return run(*command(name, LARGE))


def main():
    names = list(LOOPS)
    loops = {n: [] for n in names}
    big = {n: [] for n in names[:2]}
    for r in range(ROUNDS):
        # Interleaved: every round runs each program once, in turn.
        for n in names:
            loops[n].append(small_loop(n))
        for n in big:
            big[n].append(large(n))
        print(f"round {r + 1}/{ROUNDS}: " + ", ".join(f"{n} {loops[n][-1]:.3f}s" for n in names), file=sys.stderr)
    peaks = {n: small_peak(n) for n in names}

    med = {n: statistics.median(loops[n]) for n in names}
    bigWall = {n: statistics.median(w for w, _ in big[n]) for n in big}
    bigPeak = {n: max(m for _, m in big[n]) for n in big}
    mib = lambda kib: f"{kib / 1024:.1f} MiB"
    size = os.path.getsize(LARGE) / 1e6
    smallKb = sum(os.path.getsize(f) for f in SMALL) / len(SMALL) / 1000

    rows = [
        f"| {len(SMALL)} small files ({smallKb:.1f} KB on average), one process each | "
        f"{med['quillen']:.3f} s | {med['xmllint --format']:.3f} s | {med['/bin/true']:.3f} s | "
        f"{med['quillen'] / med['/bin/true']:.2f} × /bin/true, {med['quillen'] / med['xmllint --format']:.2f} × xmllint |",
        f"| peak memory of one small file | {mib(peaks['quillen'])} | {mib(peaks['xmllint --format'])} | "
        f"{mib(peaks['/bin/true'])} | {peaks['quillen'] / peaks['xmllint --format']:.2f} × xmllint |",
        f"| one {size:.0f} MB document | {bigWall['quillen']:.2f} s | {bigWall['xmllint --format']:.2f} s | | "
        f"{bigWall['quillen'] / bigWall['xmllint --format']:.2f} × xmllint |",
        f"| peak memory, {size:.0f} MB document | {mib(bigPeak['quillen'])} | {mib(bigPeak['xmllint --format'])} | | "
        f"{bigPeak['quillen'] / bigPeak['xmllint --format']:.2f} × xmllint |",
    ]
    cpu = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            cpu = re.search(r"model name\s*:\s*(.*)", f.read()).group(1)
    except (OSError, AttributeError):
        pass
    xmllintVersion = subprocess.run(["xmllint", "--version"], capture_output=True, text=True).stderr.split("\n")[0]
    table = "\n".join([
        f"Medians of {ROUNDS} interleaved rounds; peak memory is the largest resident set seen.",
        f"Machine: {os.cpu_count()} cores, {cpu}, {platform.system()} {platform.release()}; {xmllintVersion}.",
        "",
        "| workload | quillen | xmllint --format | /bin/true | quillen is |",
        "|---|---|---|---|---|",
        *rows,
    ])
    print(table)
    with open(os.path.join(HERE, "results.md"), "w") as f:
        f.write(table + "\n")
    readme = os.path.join(HERE, "..", "README.md")
    with open(readme) as f:
        text = f.read()
    start, end = "<!-- bench:start -->\n", "<!-- bench:end -->"
    if start in text and end in text:
        head, rest = text.split(start, 1)
        text = head + start + table + "\n" + end + rest.split(end, 1)[1]
        with open(readme, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
