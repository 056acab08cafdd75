#!/usr/bin/python3
"""Prints the comparison table of bench/peers/run.sh from the logs in its output folder.

    /usr/bin/python3 report.py OUT PROGRAM...

Each run i of a program left OUT/runs/PROGRAM-i.log (its own output) and OUT/runs/PROGRAM-i.time
("wall-s peak-KiB user-s system-s" from /usr/bin/time). Every column is the median over the runs.
xefhost prints no single displacement, so its tip deflection is read from the .vtu it wrote.
"""
import glob
import re
import statistics
import sys

import numpy as np

LENGTH = 10.0
NAMES = {"xefhost": "xefhost", "xefhost1": "xefhost, one thread", "freefem": "FreeFEM (UMFPACK)",
         "dolfinx": "DOLFINx (MUMPS)", "plain": "plain C++ (Eigen + CHOLMOD)"}


def number(pattern, text):
    found = re.search(pattern, text)
    return float(found.group(1)) if found else float("nan")


def stages(program, text):
    """Mesh, assembly and solve seconds, and the node and triangle counts, from one log."""
    if program.startswith("xefhost"):
        times = dict((k, float(v)) for k, v in re.findall(r"(\w+) ([-\d.e]+) s", text))
        assembly = times.get("pattern", 0) + times.get("assembly", float("nan"))
        solve = (times.get("analysis", 0) + times.get("factorization", float("nan")) +
                 times.get("solve", float("nan")))
        counts = (number(r"nodes (\d+)", text), number(r"elements (\d+)", text))
    else:
        assembly = number(r"assembly ([-\d.e]+) s", text)
        solve = number(r"solve ([-\d.e]+) s", text)
        counts = (number(r"nodes (\d+)", text), number(r"triangles (\d+)", text))
    return number(r"mesh ([-\d.e]+) s", text), assembly, solve, counts


def xefhost_tip(out, program):
    """The vertical displacement of the lower tip corner (10, 0) in xefhost's result file."""
    import meshio

    result = meshio.read(glob.glob("%s/%s-out/*.vtu" % (out, program))[0])
    corner = np.flatnonzero(np.isclose(result.points[:, 0], LENGTH) &
                            np.isclose(result.points[:, 1], 0.0))
    return float(result.point_data["displacement"][corner[0], 1])


def measure(out, program):
    """The medians of one program's runs, or None when a run failed."""
    rows = []
    for log in sorted(glob.glob("%s/runs/%s-*.log" % (out, program))):
        with open(log) as f:
            text = f.read()
        with open(log[:-4] + ".time") as f:
            last = f.read().split("\n")
        if any(line.startswith("Command exited") for line in last):
            return None
        wall, kib, user, system = [float(v) for v in last[-2 if last[-1] == "" else -1].split()]
        mesh, assembly, solve, counts = stages(program, text)
        tip = number(r"tip deflection ([-\d.e]+)", text)
        rows.append((wall, user + system, mesh, assembly, solve, kib / 1024, tip, counts))
    if not rows:
        return None
    medians = [statistics.median(column) for column in list(zip(*rows))[:6]]
    tip = xefhost_tip(out, program) if program.startswith("xefhost") else rows[-1][6]
    return medians + [tip, rows[-1][7], len(rows)]


def main():
    out, programs = sys.argv[1], sys.argv[2:]
    results = {p: measure(out, p) for p in programs}
    header = ("program", "whole run s", "CPU s", "mesh s", "assembly s", "solve s", "peak MiB",
              "tip deflection")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for program, r in results.items():
        if r is None:
            print("| %s | failed: see %s/runs/%s-*.log |" % (NAMES[program], out, program))
            continue
        print("| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.0f | %.9f |" %
              (NAMES[program], r[0], r[1], r[2], r[3], r[4], r[5], r[6]))
    done = {p: r for p, r in results.items() if r is not None}
    print()
    for program, r in done.items():
        print("%s: %d nodes, %d triangles, median of %d runs" %
              (NAMES[program], r[7][0], r[7][1], r[8]))
    own = done.get("xefhost")
    peers = {p: r for p, r in done.items() if not p.startswith("xefhost")}
    if own is None or not peers:
        return
    for program, r in peers.items():
        print("%s: %s mesh as xefhost, tip deflection differs by %.1e (relative)" %
              (NAMES[program], "same" if r[7] == own[7] else "NOT THE SAME",
               abs(r[6] - own[6]) / abs(own[6])))
    fastest = min(peers, key=lambda p: peers[p][0])
    thriftiest = min(peers, key=lambda p: peers[p][1])
    leanest = min(peers, key=lambda p: peers[p][5])
    for program in [p for p in done if p.startswith("xefhost")]:
        r = done[program]
        print("%s / fastest peer (%s), whole run: %.2f" %
              (NAMES[program], NAMES[fastest], r[0] / peers[fastest][0]))
        print("%s / peer of least CPU time (%s), CPU time: %.2f" %
              (NAMES[program], NAMES[thriftiest], r[1] / peers[thriftiest][1]))
        print("%s / leanest peer (%s), peak memory: %.2f" %
              (NAMES[program], NAMES[leanest], r[5] / peers[leanest][5]))

if __name__ == "__main__":
    main()
