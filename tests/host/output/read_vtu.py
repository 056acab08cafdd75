# Prints what meshio reads from a .vtu file, one tab-separated line per array:
#   points <values...> | cells <type> <nodes...> | point/cell <name> <components> <values...>
import sys

import meshio

sys.stdout.reconfigure(encoding="utf-8")
mesh = meshio.read(sys.argv[1])


def line(*fields):
    print("\t".join(str(f) for f in fields))


def values(array):
    return [repr(float(v)) for v in array.ravel()]


line("points", *values(mesh.points))
for block in mesh.cells:
    line("cells", block.type, *[int(v) for v in block.data.ravel()])
for name, data in mesh.point_data.items():
    line("point", name, 1 if data.ndim == 1 else data.shape[1], *values(data))
for name, blocks in mesh.cell_data.items():
    data = blocks[0]
    line("cell", name, 1 if data.ndim == 1 else data.shape[1], *values(data))
