"""vevadar: I-DEAS universal files translated into the model file velm.bin, as NumPy arrays.

    translate(path, directory=None) -> Translation
        One translation exactly as the host program gets it: messages and errors (the MESSAG
        and CPROMPTERROR lines, trailing blanks removed), exit_status (that of the command
        line `vevadar`), and model (the model file read back; None when none was written).
        The run's files (velm.bin, rozedere.msg) go to `directory`, or by default to a private
        temporary directory that is removed afterwards. The current directory is never changed.
        Calls from several threads take turns.

    read_model(path) -> Model
        A model file read back and checked as `vevadar dump` does. ModelFileError (a
        ValueError) names the byte offset, the record and what was expected where the file
        breaks; a file that cannot be read raises OSError.

    Model: header; nodes (label, xyz); elements (label, type, part, node_count, slots); parts
    (name, id); restraint_sets (each set, codes); load_sets (each set, id, datasets,
    second_count, node, force, moment); set_count. The names are those of `vevadar dump --json`.
    Model.to_meshio() gives a meshio.Mesh with the cells of `vevadar vtk`.

    MAX_NODES, MAX_ELEMENTS: the capacities the translator was built with (125000 each unless
    the build chose otherwise); a model or model file holding more is refused.

Importing vevadar registers the meshio formats "unv" (.unv, .uff) and "velm" (.bin, .velm), so
that meshio.read("bracket.unv") translates the file (if meshio is not imported yet, the formats
are registered when it is). `python3 -m vevadar convert IN OUT` writes a
universal file or a model file in any format meshio writes.
"""
import importlib.util
import os
import sys
import tempfile
import warnings

import numpy

from ._vevadar import (
    MAX_ELEMENTS,
    MAX_NODES,
    Elements,
    LoadSet,
    Model,
    ModelFileError,
    Nodes,
    Parts,
    RestraintSet,
    Translation,
    meshio_cells as _meshio_cells,
    read_model_bytes as _read_model_bytes,
    translate as _translate,
)

__all__ = ["translate", "read_model", "MAX_NODES", "MAX_ELEMENTS", "Translation", "Model", "ModelFileError", "Nodes",
           "Elements", "Parts", "RestraintSet", "LoadSet"]


class TranslationError(ValueError):
    """A universal file from which no model was written (meshio's reader raises it)."""


def translate(path, directory=None):
    """One translation of the universal file `path`; see the module's help."""
    source = os.fsencode(path)
    if directory is not None:
        if not os.path.isdir(directory):
            raise NotADirectoryError(f"no directory {os.fsdecode(directory)!r} for the run's files")
        return _translate(source, os.fsencode(directory))
    with tempfile.TemporaryDirectory(prefix="vevadar-") as private:
        return _translate(source, os.fsencode(private))


def read_model(path):
    """The model file `path` read back and checked; see the module's help."""
    with open(path, "rb") as file:
        data = file.read()
    return _read_model_bytes(data, os.fsdecode(path))


def _to_meshio(self):
    """The model as a meshio.Mesh with the cells of `vevadar vtk`.

    Cell data: element_label, element_type, part_index, part_id. Point data: node_label,
    restraint_set_K, force_set_I, moment_set_I. Field data: load_set_ids. Cell sets: one per
    part name (trailing blanks removed). meshio has no poly-line and no poly-vertex: a rigid
    element of more than two nodes becomes its spokes as lines, an element that only a
    poly-vertex fits its nodes as vertices (each cell carries its element's data), and an
    element without nodes has no cell."""
    import meshio

    blocks, _ = _meshio_cells(self)
    elements = self.elements
    part_ids = self.parts.id
    part_id = part_ids[elements.part - 1] if len(part_ids) else elements.part
    cells = [(kind, points) for kind, points, _ in blocks]
    cell_data = {name: [values[element] for _, _, element in blocks]
                 for name, values in (("element_label", elements.label),
                                      ("element_type", elements.type),
                                      ("part_index", elements.part),
                                      ("part_id", part_id))}
    point_data = {"node_label": self.nodes.label}
    count = len(self.nodes)
    for restraint in self.restraint_sets:
        point_data[f"restraint_set_{restraint.set}"] = restraint.codes
    field_data = {}
    if self.load_sets:
        field_data["load_set_ids"] = numpy.array([s.id for s in self.load_sets], numpy.int32)
    for load in self.load_sets:
        for name, values in (("force", load.force), ("moment", load.moment)):
            dense = numpy.zeros((count, 3), numpy.float32)
            dense[load.node - 1] = values
            point_data[f"{name}_set_{load.set}"] = dense
    cell_sets = {}
    for index, name in enumerate(self.parts.name, start=1):
        members = [numpy.flatnonzero(elements.part[element] == index)
                   for _, _, element in blocks]
        previous = cell_sets.get(name.rstrip())
        if previous is not None:  # parts of one name share a set
            members = [numpy.union1d(a, b) for a, b in zip(previous, members)]
        cell_sets[name.rstrip()] = members
    return meshio.Mesh(self.nodes.xyz, cells, point_data=point_data, cell_data=cell_data,
                       field_data=field_data, cell_sets=cell_sets)


Model.to_meshio = _to_meshio


def _read_unv(filename):
    translation = translate(filename)
    if translation.model is None:
        raise TranslationError(f"{filename}: no model was written: "
                               + "; ".join(translation.errors))
    if translation.exit_status != 0:
        what = (f"{len(translation.errors)} error lines" if translation.errors
                else "no dataset")
        warnings.warn(f"{filename}: the translation reported {what} (exit status "
                      f"{translation.exit_status}); vevadar.translate() gives them",
                      stacklevel=3)
    return translation.model.to_meshio()


def _read_velm(filename):
    return read_model(filename).to_meshio()


def _register_formats(meshio):
    meshio.register_format("unv", [".unv", ".uff"], _read_unv, {})
    meshio.register_format("velm", [".velm", ".bin"], _read_velm, {})


class _WhenMeshioLoads:
    """An import hook (a finder of sys.meta_path) that registers the formats as soon as meshio is
    imported: importing meshio takes longer than everything else here, and a script that only
    wants arrays need not pay for it."""

    def find_spec(self, name, path, target=None):
        if name != "meshio":
            return None
        sys.meta_path.remove(self)
        spec = importlib.util.find_spec(name)
        if spec is not None and spec.loader is not None:
            load = spec.loader.exec_module

            def exec_module(module):
                load(module)
                _register_formats(module)
            spec.loader.exec_module = exec_module
        return spec


if "meshio" in sys.modules:
    _register_formats(sys.modules["meshio"])
else:
    sys.meta_path.insert(0, _WhenMeshioLoads())
