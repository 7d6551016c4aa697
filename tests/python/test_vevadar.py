"""The Python module against the command line: translations, arrays, meshio and convert.

Run by ctest: PYTHONPATH names the built package, VEVADAR_CLI the command-line program,
VEVADAR_CORPUS the folder of real universal files (its cases skip, saying so, when it is absent)."""
import json
import os
import subprocess
import sys
import threading

import numpy
import pytest

import vevadar

CLI = os.environ["VEVADAR_CLI"]
CORPUS = os.environ.get("VEVADAR_CORPUS", "")
HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "..", "examples", "bracket.unv")
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import model_unv  # noqa: E402


def corpus_files():
    if not os.path.isdir(CORPUS):
        return [pytest.param(None, marks=pytest.mark.skip(reason=f"no corpus at {CORPUS}"))]
    return [os.path.join(CORPUS, name) for name in sorted(os.listdir(CORPUS))
            if name.endswith((".unv", ".uff"))]


@pytest.fixture(scope="module")
def small_model(tmp_path_factory):
    path = tmp_path_factory.mktemp("small") / "model.unv"
    path.write_text(model_unv.text())
    return str(path)


FILES = [EXAMPLE] + corpus_files()


def cli(*arguments, cwd=None):
    return subprocess.run([CLI, *arguments], cwd=cwd, capture_output=True)


def lines(output):
    return output.decode("latin-1").splitlines()


def bits(values, dtype):
    """Reals as their 32-bit patterns, so that -0.0 differs from 0.0."""
    return numpy.asarray(values, dtype).view(numpy.int32)


@pytest.mark.parametrize("unv", FILES, ids=os.path.basename)
def test_translation_is_the_command_lines_and_its_arrays_are_dump_json(unv, tmp_path):
    ours, theirs = tmp_path / "module", tmp_path / "cli"
    ours.mkdir()
    theirs.mkdir()
    run = vevadar.translate(unv, ours)
    command = cli("-C", str(theirs), unv)
    assert run.exit_status == command.returncode
    assert run.messages == lines(command.stdout)
    assert run.errors == [line for line in lines(command.stderr) if not line.startswith("vevadar: ")]
    assert (ours / "velm.bin").read_bytes() == (theirs / "velm.bin").read_bytes()
    assert (ours / "rozedere.msg").read_bytes() == (theirs / "rozedere.msg").read_bytes()
    assert sorted(os.listdir(ours)) == ["rozedere.msg", "velm.bin"]

    dump = json.loads(cli("dump", "--json", str(ours / "velm.bin")).stdout)
    model = run.model
    assert model.header == dump["header"] and model.set_count == dump["set_count"]
    assert model.parts.name == [p["name"] for p in dump["parts"]]
    assert model.parts.id.tolist() == [p["id"] for p in dump["parts"]]
    assert model.nodes.label.tolist() == [n["label"] for n in dump["nodes"]]
    assert numpy.array_equal(model.nodes.xyz.view(numpy.int32),
                             bits([[n["x"], n["y"], n["z"]] for n in dump["nodes"]],
                                  numpy.float32).reshape(-1, 3))
    for name in ("label", "type", "part", "node_count", "slots"):
        assert getattr(model.elements, name).tolist() == [e[name] for e in dump["elements"]]
    assert [(s.set, s.codes.tolist()) for s in model.restraint_sets] == \
        [(s["set"], s["codes"]) for s in dump["restraint_sets"]]
    assert len(model.load_sets) == len(dump["load_sets"])
    for ours_set, json_set in zip(model.load_sets, dump["load_sets"]):
        assert [ours_set.set, ours_set.id, ours_set.datasets, ours_set.second_count] == \
            [json_set[k] for k in ("set", "id", "datasets", "second_count")]
        loads = json_set["loads"]
        assert ours_set.node.tolist() == [load["node"] for load in loads]
        for name in ("force", "moment"):
            values = getattr(ours_set, name)
            assert values.shape == (len(loads), 3)
            assert numpy.array_equal(values.view(numpy.int32),
                                     bits([load[name] for load in loads], numpy.float32)
                                     .reshape(-1, 3))


@pytest.mark.parametrize("cut", [0, 1, 14, -1])
def test_a_cut_model_file_raises_dumps_line(cut, tmp_path):
    vevadar.translate(EXAMPLE, tmp_path)
    model = tmp_path / "velm.bin"
    model.write_bytes(model.read_bytes()[:cut])
    note = lines(cli("dump", str(model)).stderr)
    with pytest.raises(vevadar.ModelFileError) as raised:
        vevadar.read_model(model)
    assert note == ["vevadar: " + str(raised.value)]
    assert "offset " in str(raised.value)


@pytest.mark.parametrize("name, error", [("absent.bin", FileNotFoundError),
                                         (".", IsADirectoryError)])
def test_an_unreadable_model_file_raises_oserror(name, error, tmp_path):
    with pytest.raises(error):
        vevadar.read_model(tmp_path / name)


def flat(mesh, keep=None):
    """Cells one by one, (type, points), and the cell data, whatever the blocks."""
    cells = [(c.type, tuple(p)) for c in mesh.cells for p in c.data.tolist()]
    data = {k: [x for block in v for x in numpy.asarray(block).tolist()]
            for k, v in mesh.cell_data.items()}
    if keep is not None:
        cells = [c for c, k in zip(cells, keep) if k]
        data = {k: [x for x, kept in zip(v, keep) if kept] for k, v in data.items()}
    return cells, data


@pytest.mark.parametrize("unv", FILES + ["small"], ids=os.path.basename)
def test_to_meshio_is_what_vtk_writes(unv, small_model, tmp_path):
    """The grid of `vevadar vtk` read back by meshio, which leaves out the poly-lines of rigid
    elements (to_meshio gives their spokes as lines) and the cells of no nodes, and cannot read a
    grid without cells."""
    import meshio

    unv = small_model if unv == "small" else unv
    model = vevadar.translate(unv, tmp_path).model
    assert cli("vtk", str(tmp_path / "velm.bin"), str(tmp_path / "vtk.vtu")).returncode == 0
    if len(model.elements) == 0:  # meshio reads no grid without cells
        assert model.to_meshio().cells == []
        return
    theirs = meshio.read(tmp_path / "vtk.vtu")
    theirs.cells = [c for c in theirs.cells if c.type != "empty"]
    ours = model.to_meshio()
    blocks, _ = vevadar._vevadar.meshio_cells(model)
    poly = (model.elements.type == 2) & (model.elements.node_count > 2)
    keep = [not poly[e] for _, _, element in blocks for e in element]
    assert unv != small_model or not all(keep)
    assert flat(ours, keep) == flat(theirs)
    assert numpy.array_equal(ours.points, theirs.points)
    for data in ("point_data", "field_data"):
        a, b = getattr(ours, data), getattr(theirs, data)
        assert sorted(a) == sorted(b)
        for key in a:
            assert numpy.array_equal(numpy.asarray(a[key]), numpy.asarray(b[key])), key


def test_meshio_reads_universal_and_model_files(tmp_path):
    import meshio

    mesh = meshio.read(EXAMPLE)
    vevadar.translate(EXAMPLE, tmp_path)
    again = meshio.read(tmp_path / "velm.bin")
    assert [(c.type, len(c)) for c in mesh.cells] == [(c.type, len(c)) for c in again.cells]
    assert sorted(mesh.cell_sets) == ["P0000001", "P0000002", "P0000003", "P0000004",
                                      "P0000005", "RBE2"]


@pytest.mark.parametrize("unv", [EXAMPLE] + corpus_files()[-1:], ids=os.path.basename)
def test_convert_to_gmsh_reads_back_in_gmsh(unv, tmp_path):
    gmsh = pytest.importorskip("gmsh")
    out = tmp_path / "model.msh"
    converted = subprocess.run([sys.executable, "-m", "vevadar", "convert", unv, str(out)],
                               capture_output=True)
    model = vevadar.translate(unv).model
    assert converted.returncode == vevadar.translate(unv).exit_status, converted.stderr
    gmsh.initialize(["-v", "0"])
    try:
        gmsh.open(str(out))
        tags, xyz, _ = gmsh.model.mesh.getNodes()
        xyz = xyz.reshape(-1, 3)[numpy.argsort(tags)]
        assert numpy.array_equal(xyz.astype(numpy.float32), model.nodes.xyz)
        _, elements, _ = gmsh.model.mesh.getElements()
        counted = sum(len(e) for e in elements)
    finally:
        gmsh.finalize()
    assert counted == sum(len(c) for c in model.to_meshio().cells)


@pytest.mark.parametrize("arguments, status, note", [
    (["convert", "absent.unv", "out.msh"], 2, "vevadar: cannot read absent.unv"),
    (["convert", "cut.bin", "out.msh"], 1, "vevadar: cut.bin is not a valid model file: offset 0"),
    (["convert", "empty.unv", "out.msh"], 1, None),
    (["convert", "velm.bin", "out.inp"], 0, None),
    (["convert", "velm.bin"], 64, "vevadar: IN and OUT are both needed"),
    (["convert", "velm.bin", "out.msh", "--bogus"], 64, "vevadar: unknown option --bogus"),
    (["convert", "velm.bin", "out.xyz"], 64, "vevadar: no format known for out.xyz"),
])
def test_convert_exit_statuses(arguments, status, note, tmp_path):
    vevadar.translate(EXAMPLE, tmp_path)
    (tmp_path / "cut.bin").write_bytes(b"")
    (tmp_path / "empty.unv").write_bytes(b"")
    run = subprocess.run([sys.executable, "-m", "vevadar", *arguments], cwd=tmp_path,
                         capture_output=True)
    assert run.returncode == status, run.stderr
    if note:
        assert run.stderr.decode().startswith(note)


def test_threads_translating_at_once_each_get_their_own_model(small_model, tmp_path):
    alone = {path: vevadar.translate(path).model.nodes.xyz for path in (EXAMPLE, small_model)}
    start = os.getcwd()
    before = sorted(os.listdir(start))
    results = {}

    def work(path):
        for _ in range(5):
            run = vevadar.translate(path)
            results.setdefault(path, []).append((run.errors, run.model.nodes.xyz))

    threads = [threading.Thread(target=work, args=(path,)) for path in alone]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for path, xyz in alone.items():
        assert all(not any("BUSY" in e for e in errors) and numpy.array_equal(got, xyz)
                   for errors, got in results[path])
    assert os.getcwd() == start and sorted(os.listdir(start)) == before
