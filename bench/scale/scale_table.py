#!/usr/bin/python3
"""Solves the benchmark cantilever at 10^4, 10^5, 10^6 and 10^7 triangles (or the sizes given)
with xefhost and prints how time and peak memory grow, stage by stage.

    bench/scale/scale_table.py [--sizes 1e4,1e5,1e6,1e7] [--out DIR] [--xefhost build/xefhost]

Each size is the beam [0,10]x[0,1] as NX x NX/10 squares of two triangles (NX = sqrt(5 T)),
written by ../cantilever_mesh.py. The figures are xefhost's own: the wall time of each stage and the
process's resident high-water mark at its end (where it rises, that stage raised the peak), and
the whole run's wall time and peak as /usr/bin/time sees them.
"""
import argparse
import math
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
STAGES = ["mesh", "model", "ordering", "pattern", "assembly", "analysis", "factorization",
          "solve", "post", "output"]


def grid(triangles):
    nx = max(10, round(math.sqrt(5 * triangles)))
    return nx, max(1, round(nx / 10))


def stage_figures(text, label, unit):
    """{stage: value} from one of xefhost's per-stage lines, and its output line."""
    figures = {}
    for line in text.splitlines():
        line = line.strip()
        if line.startswith(label):
            for name, value in re.findall(r"(\w+) ([\d.]+)" + unit, line[len(label):]):
                figures[name] = float(value)
    found = re.search(r"^output ([\d.]+) s", text, re.M)
    if found and label == "time":
        figures["output"] = float(found.group(1))
    found = re.search(r"^total [\d.]+ s, memory high-water MiB ([\d.]+)", text, re.M)
    if found and label != "time":
        figures["output"] = float(found.group(1))
    return figures


def run(size, out, xefhost, element):
    nx, ny = grid(size)
    folder = os.path.join(out, "%dx%d" % (nx, ny))
    subprocess.run([sys.executable, os.path.join(ROOT, "bench", "cantilever_mesh.py"), "--nx",
                    str(nx), "--ny", str(ny), "-o", folder], check=True,
                   stdout=subprocess.DEVNULL)
    timing = os.path.join(folder, "time.txt")
    done = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", timing, xefhost, "solve",
                           os.path.join(folder, "cantilever.toml"), "--element", element, "-o",
                           os.path.join(folder, "out")], capture_output=True, text=True)
    with open(os.path.join(folder, "xefhost.log"), "w") as log:
        log.write(done.stdout + done.stderr)
    if done.returncode != 0:
        raise SystemExit("xefhost failed at %dx%d: see %s" % (nx, ny, log.name))
    with open(timing) as f:
        wall, kib = f.read().split()[-2:]
    text = done.stdout
    return {
        "triangles": int(re.search(r"elements (\d+)", text).group(1)),
        "unknowns": int(re.search(r"unknowns (\d+)", text).group(1)),
        "factor": re.search(r"factor ([\d.]+M entries, [\d.]+ GFlop)", text).group(1),
        "seconds": stage_figures(text, "time", " s"),
        "mib": stage_figures(text, "memory high-water MiB", ","),
        "wall": float(wall),
        "peak": float(kib) / 1024,
    }


def table(rows, key, title, fmt):
    print("\n%s\n" % title)
    header = ["triangles", "unknowns", "factor"] + STAGES + ["whole run"]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for r in rows:
        cells = ["{:,}".format(r["triangles"]), "{:,}".format(r["unknowns"]), r["factor"]]
        cells += [fmt % r[key][s] if s in r[key] else "" for s in STAGES]
        cells.append(fmt % (r["wall"] if key == "seconds" else r["peak"]))
        print("| " + " | ".join(cells) + " |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="1e4,1e5,1e6,1e7")
    parser.add_argument("--out", default=None, help="folder for meshes and results (temporary)")
    parser.add_argument("--xefhost", default=os.path.join(ROOT, "build", "xefhost"))
    parser.add_argument("--element", default=os.path.join(ROOT, "build", "MOLR.so"))
    args = parser.parse_args()
    out = args.out or tempfile.mkdtemp(prefix="molr-scale.")
    rows = []
    for size in [int(float(s)) for s in args.sizes.split(",")]:
        print("solving %d triangles in %s" % (size, out), file=sys.stderr, flush=True)
        rows.append(run(size, out, args.xefhost, args.element))
    print("cantilever scale table, %d cores" % os.cpu_count())
    table(rows, "seconds", "Wall time per stage, s", "%.3f")
    table(rows, "mib", "Resident high-water mark at the end of each stage, MiB", "%.0f")


if __name__ == "__main__":
    main()
