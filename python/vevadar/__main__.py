"""python3 -m vevadar convert IN OUT [--format FORMAT]: a universal file (translated in a private
directory) or a model file written as OUT in any format meshio writes."""
import os
import pathlib
import sys

import vevadar

USAGE = "usage: python3 -m vevadar convert IN OUT [--format FORMAT]\n"
HELP = """
Converts IN, an I-DEAS universal file or a model file (velm.bin), into OUT in any format
meshio writes: by OUT's extension (.msh, .inp, .vtu, .bdf, .med, .e, .xdmf, ...) or FORMAT.
Some formats need a further Python module for meshio (MED and XDMF h5py, Exodus netCDF4).
A .msh file is Gmsh's format 2.2 (--format gmsh for 4.1, which meshio writes only for
meshes of one cell type; --format ansys for ANSYS's .msh).

A universal file is translated as `vevadar FILE` translates it, in a private directory that
is removed afterwards; its error and warning lines go to standard error. IN is read as a model
file when it ends in .bin or .velm, or when it does not end in .unv or .uff and starts with the
model file's marker. The cells are those of `vevadar vtk`; meshio has no poly-line, so a rigid
element of more than two nodes is written as its spokes (lines).

Exit status: 0 written; 1 written, but the translation reported errors in the data or met no
dataset, or (nothing written) IN is not a valid model file or meshio cannot write the model in
that format; 2 IN cannot be read, no model was written from it, or OUT cannot be written;
64 a wrong command line.
"""
OK, BAD_INPUT, NO_FILE, USAGE_ERROR = 0, 1, 2, 64


def note(text):
    sys.stdout.flush()
    sys.stderr.write(f"vevadar: {text}\n")


def usage_error(text):
    note(text)
    sys.stderr.write(USAGE)
    return USAGE_ERROR


def read_arguments(arguments):
    """(IN, OUT, FORMAT), or the exit status when the command is done with."""
    names, file_format, options_done = [], None, False
    words = iter(arguments)
    for word in words:
        if options_done or not word.startswith("-") or word == "-":
            names.append(word)
        elif word in ("-h", "--help"):
            sys.stdout.write(USAGE + HELP)
            return OK
        elif word == "--":
            options_done = True
        elif word == "--format":
            file_format = next(words, None)
            if file_format is None:
                return usage_error("option --format needs a format")
        elif word.startswith("--format="):
            file_format = word[len("--format="):]
        else:
            return usage_error(f"unknown option {word}")
    if len(names) < 1 or names[0] != "convert":
        return usage_error("the command is convert")
    if len(names) != 3:
        return usage_error("IN and OUT are both needed" if len(names) < 3 else "too many arguments")
    return names[1], names[2], file_format


def format_problem(meshio, target, file_format):
    """Why meshio cannot take OUT or FORMAT, before anything is read; None when it can."""
    if file_format is None:
        suffixes = pathlib.Path(target).suffixes
        names = ["".join(suffixes[i:]).lower() for i in range(len(suffixes))]
        if not any(name in meshio.extension_to_filetypes for name in names):
            return f"no format known for {target}: give one with --format"
        return None
    writers = getattr(getattr(meshio, "_helpers", None), "_writer_map", None)
    if writers is not None and file_format not in writers:
        return f"meshio writes no format {file_format} (it writes {', '.join(sorted(writers))})"
    return None


def is_model_file(path):
    extension = os.path.splitext(path)[1].lower()
    if extension in (".bin", ".velm"):
        return True
    if extension in (".unv", ".uff"):
        return False
    with open(path, "rb") as file:
        return file.read(1) == b"K"


def load(path):
    """(model or None, exit status so far); OSError when `path` cannot be read."""
    with open(path, "rb"):
        pass
    if is_model_file(path):
        try:
            return vevadar.read_model(path), OK
        except vevadar.ModelFileError as error:
            note(str(error))
            return None, BAD_INPUT
    translation = vevadar.translate(path)
    for line in translation.errors:
        sys.stderr.write(line + "\n")
    if translation.model is None:
        note(f"no model was written from {path}")
    return translation.model, translation.exit_status


def main(arguments):
    read = read_arguments(arguments)
    if isinstance(read, int):
        return read
    source, target, file_format = read
    import meshio

    if file_format is None and target.lower().endswith(".msh"):
        file_format = "gmsh22"  # meshio would take ANSYS's .msh first
    problem = format_problem(meshio, target, file_format)
    if problem:
        return usage_error(problem)

    try:
        model, status = load(source)
    except OSError as error:
        note(f"cannot read {source}: {error.strerror or error}")
        return NO_FILE
    if model is None:
        return status
    mesh = model.to_meshio()
    if file_format and file_format.startswith("gmsh"):
        # Gmsh's physical groups are the parts; its field data names them, not load sets.
        mesh.cell_data["gmsh:physical"] = mesh.cell_data["part_id"]
        mesh.cell_data["gmsh:geometrical"] = mesh.cell_data["part_index"]
        mesh.field_data = {}
    try:
        mesh.write(target, file_format=file_format)
    except OSError as error:
        note(f"cannot write {target}: {error.strerror or error}")
        return NO_FILE
    except (meshio.WriteError, KeyError, ValueError, ImportError) as error:
        note(f"cannot write {target}: {error}")
        return BAD_INPUT
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
