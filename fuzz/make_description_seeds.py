#!/usr/bin/env python3
"""Rewrites the seeds of fuzz/corpus/description/: records with the counts of real elements, at
the host's bounds, and with each count that the lying test element tells. An input starts with
the 13 counts (fuzzed_description.h); the bytes after them choose the lists and texts."""
import pathlib
import struct

FIELDS = ["dimensions", "dofCount", "nodeCount", "dataCount", "segmentCount", "intCode",
          "intPointCount", "gpostCount", "npostCount", "defaultIntCode", "rule0", "rule1", "rule2"]
TRIANGLE = dict(dimensions=2, dofCount=6, nodeCount=3, dataCount=2, segmentCount=8, intCode=3,
                intPointCount=3, gpostCount=6, npostCount=4, defaultIntCode=3, rule0=3)
# Choices of texts and lists: printable names up front, a mix of null and present lists at the end.
TAIL = b"T1\\E -Young\\nu\\sxx\\syy\\" + bytes(range(0, 256, 7)) + b"\x01\x00\x02\x00\x00\x01"

SEEDS = {
    "triangle": TRIANGLE,
    "quadrilateral9": dict(TRIANGLE, dofCount=18, nodeCount=9, dataCount=3, intPointCount=9,
                           gpostCount=8, npostCount=6),
    "hexahedron27": dict(TRIANGLE, dimensions=3, dofCount=81, nodeCount=27, intPointCount=27),
    "at_bounds": dict(dimensions=3, dofCount=1024, nodeCount=64, dataCount=1024, gpostCount=1024,
                      npostCount=1024, intPointCount=65536),
    "nodes_huge": dict(TRIANGLE, nodeCount=1000000000),
    "nodes_negative": dict(TRIANGLE, nodeCount=-3),
    "unknowns_huge": dict(TRIANGLE, dofCount=100000),
    "data_huge": dict(TRIANGLE, dataCount=1000000000),
    "point_quantities_huge": dict(TRIANGLE, gpostCount=1000000000),
    "nodal_quantities_negative": dict(TRIANGLE, npostCount=-1),
    "points_huge": dict(TRIANGLE, intPointCount=1000000000),
    "dimensions_seven": dict(TRIANGLE, dimensions=7),
}

folder = pathlib.Path(__file__).resolve().parent / "corpus" / "description"
folder.mkdir(parents=True, exist_ok=True)
for name, counts in SEEDS.items():
    header = struct.pack("<13i", *(counts.get(field, 0) for field in FIELDS))
    (folder / f"{name}.bin").write_bytes(header + TAIL)
