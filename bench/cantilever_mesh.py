#!/usr/bin/python3
"""Writes the benchmark cantilever as a Gmsh 4.1 binary mesh and an xefhost problem file.

The beam [0,10]x[0,1] is cut into NX x NY squares, each split by its diagonal from (i,j) to
(i+1,j+1) into two counter-clockwise triangles. Nodes are numbered row by row from the bottom,
node (i,j) getting tag j*(NX+1)+i+1, so anyone can rebuild the same mesh from NX and NY alone.
Physical groups: surface "beam", curves "clamped" (x = 0) and "tip" (x = 10), with the line
elements on those curves. Everything is built in whole arrays, so 10^7 triangles take seconds.

    /usr/bin/python3 bench/cantilever_mesh.py --nx 2000 --ny 200 -o DIR
"""
import argparse
import os

import numpy as np

LENGTH, HEIGHT = 10.0, 1.0
BEAM, CLAMPED, TIP = 1, 2, 3  # physical tags
TRIANGLE, LINE = 2, 1  # Gmsh element types


def nodes(nx, ny):
    """Coordinates (x, y, 0) of every node, row by row."""
    i, j = np.meshgrid(np.arange(nx + 1), np.arange(ny + 1))
    xyz = np.zeros(((nx + 1) * (ny + 1), 3))
    xyz[:, 0] = LENGTH * i.ravel() / nx
    xyz[:, 1] = HEIGHT * j.ravel() / ny
    return xyz


def triangles(nx, ny):
    """Node tags of the two triangles (a,b,c) and (a,c,d) of each square, counter-clockwise, in
    columns 1 to 3; column 0 is left for the element tags, so the block is written as it is."""
    j, i = np.meshgrid(np.arange(ny, dtype=np.uint64), np.arange(nx, dtype=np.uint64),
                       indexing="ij")
    a = (j * (nx + 1) + i + 1).ravel()
    result = np.empty((2 * a.size, 4), dtype=np.uint64)
    result[0::2, 1] = result[1::2, 1] = a
    result[0::2, 2] = a + 1
    result[0::2, 3] = result[1::2, 2] = a + nx + 2
    result[1::2, 3] = a + nx + 1
    return result


def edge_lines(nx, ny, column, downwards=False):
    """The line elements along the vertical edge at node column `column`, tag column first."""
    lower = np.arange(ny, dtype=np.uint64) * (nx + 1) + column + 1
    result = np.empty((ny, 3), dtype=np.uint64)
    result[:, 1], result[:, 2] = lower, lower + nx + 1
    return result[::-1, [0, 2, 1]] if downwards else result


def binary_header(name, *values):
    """A section start followed by its leading binary values (all size_t here)."""
    return b"$" + name + b"\n" + np.array(values, dtype=np.uint64).tobytes()


def entity(tag, box, physical, boundary):
    """One curve or surface of $Entities: tag, bounding box, physical tags, bounding entities."""
    return (np.array([tag], np.int32).tobytes() + np.array(box, np.float64).tobytes() +
            np.array([1], np.uint64).tobytes() + np.array([physical], np.int32).tobytes() +
            np.array([len(boundary)], np.uint64).tobytes() +
            np.array(boundary, np.int32).tobytes())


def element_block(out, dim, tag, gmsh_type, first_tag, block):
    """Writes one $Elements block, filling in the tags; returns the next free element tag."""
    count = len(block)
    out.write(np.array([dim, tag, gmsh_type], np.int32).tobytes())
    out.write(np.array([count], np.uint64).tobytes())
    block[:, 0] = np.arange(first_tag, first_tag + count, dtype=np.uint64)
    np.ascontiguousarray(block).tofile(out)
    return first_tag + count


def write_msh(path, nx, ny):
    # Each array is made just before it is written, so only one large one is alive at a time.
    node_count = (nx + 1) * (ny + 1)
    element_count = 2 * nx * ny + 2 * ny
    with open(path, "wb") as out:
        out.write(b"$MeshFormat\n4.1 1 8\n" + np.array([1], np.int32).tobytes() +
                  b"\n$EndMeshFormat\n")
        out.write(b"$PhysicalNames\n3\n1 %d \"clamped\"\n1 %d \"tip\"\n2 %d \"beam\"\n"
                  b"$EndPhysicalNames\n" % (CLAMPED, TIP, BEAM))
        # No point entities; curve 1 is the clamped edge, curve 2 the tip, surface 1 the beam.
        out.write(binary_header(b"Entities", 0, 2, 1, 0))
        out.write(entity(1, [0, 0, 0, 0, HEIGHT, 0], CLAMPED, []))
        out.write(entity(2, [LENGTH, 0, 0, LENGTH, HEIGHT, 0], TIP, []))
        out.write(entity(1, [0, 0, 0, LENGTH, HEIGHT, 0], BEAM, [1, 2]))
        out.write(b"\n$EndEntities\n")
        # All nodes in one block of the surface: the reader needs no boundary-node entities.
        out.write(binary_header(b"Nodes", 1, node_count, 1, node_count))
        out.write(np.array([2, 1, 0], np.int32).tobytes())
        out.write(np.array([node_count], np.uint64).tobytes())
        np.arange(1, node_count + 1, dtype=np.uint64).tofile(out)
        nodes(nx, ny).tofile(out)
        out.write(b"\n$EndNodes\n")
        out.write(binary_header(b"Elements", 3, element_count, 1, element_count))
        # The clamped edge runs downwards, as the boundary runs round.
        next_tag = element_block(out, 1, 1, LINE, 1, edge_lines(nx, ny, 0, downwards=True))
        next_tag = element_block(out, 1, 2, LINE, next_tag, edge_lines(nx, ny, nx))
        element_block(out, 2, 1, TRIANGLE, next_tag, triangles(nx, ny))
        out.write(b"\n$EndElements\n")


PROBLEM = """title = "Cantilever, L = 10, h = 1, end load 1, {nx} x {ny} squares"

[mesh]
file = "cantilever.msh"

[[material]]
E = 1000.0
nu = 0.3

[[fix]]
group = "clamped"
x = 0.0
y = 0.0

[[traction]]                # traction vector on a physical curve (force per length)
group = "tip"
vector = [0.0, -1.0]
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--nx", type=int, default=2000, help="squares along the beam")
    parser.add_argument("--ny", type=int, default=200, help="squares across the beam")
    parser.add_argument("-o", "--output", required=True, help="folder for cantilever.msh/.toml")
    args = parser.parse_args()
    if args.nx < 1 or args.ny < 1:
        parser.error("--nx and --ny must be positive")
    os.makedirs(args.output, exist_ok=True)
    write_msh(os.path.join(args.output, "cantilever.msh"), args.nx, args.ny)
    with open(os.path.join(args.output, "cantilever.toml"), "w") as out:
        out.write(PROBLEM.format(nx=args.nx, ny=args.ny))
    print("cantilever %d x %d: %d nodes, %d triangles" %
          (args.nx, args.ny, (args.nx + 1) * (args.ny + 1), 2 * args.nx * args.ny))


if __name__ == "__main__":
    main()
