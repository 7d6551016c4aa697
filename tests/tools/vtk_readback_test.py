"""`vevadar vtk` read back by VTK itself: a small model made here, then every real universal file
of the corpus whose model has solids. Points, cells, cell types, coordinates, the cell and point
data, and a positive volume for every solid (vtkCellSizeFilter gives signed volumes).

    /usr/bin/python3 vtk_readback_test.py VEVADAR CORPUS_DIR

Exit status 77 (skipped) when the vtk module is missing."""
import json
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import model_unv  # noqa: E402

try:
    import vtk
except ImportError:
    print("skipped: the Python vtk module is missing (Debian package python3-vtk9)")
    sys.exit(77)

PROGRAM, CORPUS = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, cwd):
    return subprocess.run([PROGRAM] + args, cwd=cwd, capture_output=True)


def read_grid(path):
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(path)
    reader.Update()
    return reader.GetOutput()


def volumes(grid):
    sizes = vtk.vtkCellSizeFilter()
    sizes.SetInputData(grid)
    sizes.Update()
    return sizes.GetOutput().GetCellData().GetArray("Volume")


def convert(unv, where):
    """Translates `unv` in `where`, writes model.vtu; returns (model as JSON, grid, vtk stderr)."""
    run([unv], where)
    model = json.loads(run(["dump", "--json", "velm.bin"], where).stdout)
    p = run(["vtk", "velm.bin", "model.vtu"], where)
    check(p.returncode == 0, "%s: vtk exit status %d %s" % (unv, p.returncode, p.stderr))
    return model, read_grid(os.path.join(where, "model.vtu")), p.stderr.decode()


SOLIDS = {10, 12, 13}
# VTK cell type by (element type code, node count) for the shapes the model holds.
SHAPES = {(4, 3): 5, (4, 4): 9, (4, 6): 22, (4, 8): 23, (5, 4): 10, (5, 6): 13, (5, 8): 12,
          (9, 1): 1, (1, 2): 3, (11, 2): 3, (12, 2): 3, (6, 2): 3, (2, 2): 3}


def check_model(name, model, grid):
    nodes, elements = model["nodes"], model["elements"]
    check(grid.GetNumberOfPoints() == len(nodes), "%s: points" % name)
    check(grid.GetNumberOfCells() == len(elements), "%s: cells" % name)
    if grid.GetNumberOfPoints() != len(nodes) or grid.GetNumberOfCells() != len(elements):
        return
    for i in (0, len(nodes) // 2, len(nodes) - 1):
        if i < len(nodes):
            # The JSON reals are the shortest decimals of 32-bit values: the same floats.
            want = struct.unpack("3f", struct.pack("3f", nodes[i]["x"], nodes[i]["y"], nodes[i]["z"]))
            check(grid.GetPoint(i) == want, "%s: point %d %s %s" % (name, i, grid.GetPoint(i), want))
    labels = grid.GetCellData().GetArray("element_label")
    volume = volumes(grid)
    for c, e in enumerate(elements):
        check(labels.GetValue(c) == e["label"], "%s: cell %d label" % (name, c))
        cell = grid.GetCellType(c)
        shape = SHAPES.get((e["type"], e["node_count"]))
        if shape is not None:
            check(cell == shape, "%s: element %d cell type %d, not %d" % (name, e["label"], cell, shape))
        if cell in SOLIDS:
            check(volume.GetValue(c) > 0, "%s: element %d volume %g" % (name, e["label"], volume.GetValue(c)))


# The small model: every shape, its node orders, point and cell data.
with tempfile.TemporaryDirectory() as where:
    unv = os.path.join(where, "model.unv")
    with open(unv, "w") as f:
        f.write(model_unv.text())
    model, grid, notes = convert(unv, where)
    check_model("small model", model, grid)
    types = [grid.GetCellType(c) for c in range(grid.GetNumberOfCells())]
    check(types == [12, 13, 10, 10, 22, 23, 1, 3, 3, 3, 3, 4], "cell types %s" % types)
    volume = volumes(grid)
    check([round(volume.GetValue(c), 6) for c in range(4)] == [1, 0.5, 0.166667, 0.166667],
          "solid volumes")
    check("1 of 4 solids" in notes, "no note of the inside-out tetrahedron: %r" % notes)
    # The parabolic triangle: corners first, then the mid-sides.
    ids = vtk.vtkIdList()
    grid.GetCellPoints(4, ids)
    check([ids.GetId(i) + 1 for i in range(6)] == [19, 21, 23, 20, 22, 24], "quadratic triangle")
    grid.GetCellPoints(1, ids)  # the wedge: its first triangle turned to face away
    check([ids.GetId(i) + 1 for i in range(6)] == [9, 11, 10, 12, 14, 13], "wedge")
    grid.GetCellPoints(11, ids)  # the 754 element: from node 1 to 2 and to 3
    check([ids.GetId(i) + 1 for i in range(ids.GetNumberOfIds())] == [1, 2, 1, 3], "rigid lines")
    cells, points = grid.GetCellData(), grid.GetPointData()
    check(cells.GetArray("part_id").GetValue(11) == 15, "part id of the RBE2 part")
    check(cells.GetArray("element_type").GetValue(11) == 2, "element type")
    check(cells.GetArray("part_index").GetValue(11) == 6, "part index")
    check(points.GetArray("node_label").GetValue(31) == 32, "node label")
    check(points.GetArray("restraint_set_1").GetValue(0) == 123456, "restraint code")
    check(points.GetArray("restraint_set_1").GetValue(1) == 0, "no restraint")
    check(points.GetArray("force_set_1").GetTuple3(6) == (0, 0, -1000), "force")
    check(points.GetArray("moment_set_1").GetTuple3(6) == (0, 2.5, 0), "moment")

# The real files whose models have solids.
if not os.path.isdir(CORPUS):
    print("corpus part skipped: %s is not there" % CORPUS)
else:
    with_solids = 0
    for name in sorted(os.listdir(CORPUS)):
        if not name.endswith((".unv", ".uff")):
            continue
        with tempfile.TemporaryDirectory() as where:
            if run([os.path.join(CORPUS, name)], where).returncode not in (0, 1):
                continue
            summary = run(["dump", "--summary", "velm.bin"], where).stdout.decode()
            if "(solid)" not in summary:
                continue
            with_solids += 1
            model, grid, _ = convert(os.path.join(CORPUS, name), where)
            check_model(name, model, grid)
    check(with_solids > 0, "no real file with solids")
    print("%d real files with solids read back" % with_solids)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
