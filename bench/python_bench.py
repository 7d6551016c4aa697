#!/usr/bin/python3
"""Times the Python module on the capacity file of compare.sh and prints its ratios.

    /usr/bin/python3 bench/python_bench.py [--runs N] [--build DIR]

Generates the capacity file (capacity_model.py, 125,000 nodes and elements) in a scratch folder,
then takes the minimum of N runs (default 10), in wall time and in processor time (which the
other work of a shared machine disturbs less), of: the command line's whole translation
(`vevadar -C DIR --quiet FILE`, a process of its own), vevadar.translate(FILE, DIR) with its
arrays (in this process), and Gmsh's Python API reading the same file into node and element
arrays (gmsh.open, getNodes, getElements; 3 runs, Debian's python3-gmsh). Also the import time of
the package in a fresh interpreter, with and without meshio (which the package registers its
formats with). Needs the build of preset default (or --build) and /usr/bin/python3 with NumPy.
"""
import argparse
import os
import resource
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
parser = argparse.ArgumentParser()
parser.add_argument("--runs", type=int, default=10)
parser.add_argument("--build", default=os.path.join(HERE, "..", "build", "default"))
options = parser.parse_args()
build = os.path.abspath(options.build)
cli = os.path.join(build, "tools", "vevadar")
sys.path.insert(0, os.path.join(build, "python"))
import vevadar  # noqa: E402


def cpu():
    """Processor time of this process and its finished children."""
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return time.process_time() + children.ru_utime + children.ru_stime


def best(action, runs, clock=time.perf_counter):
    times = []
    for _ in range(runs):
        start = clock()
        action()
        times.append(clock() - start)
    return min(times)


def fresh_import(statement):
    """The least wall time of a fresh interpreter running `statement`, less that of an empty one."""
    environment = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))

    def run(code):
        return best(lambda: subprocess.run([sys.executable, "-c", code], check=True,
                                           env=environment), options.runs)
    return run(statement) - run("pass")


with tempfile.TemporaryDirectory(prefix="vevadar-bench-") as work:
    unv = os.path.join(work, "capacity.unv")
    subprocess.run([sys.executable, os.path.join(HERE, "capacity_model.py"), unv, "50"],
                   check=True)
    out = os.path.join(work, "out")
    os.mkdir(out)

    def run_command():
        subprocess.run([cli, "-C", out, "--quiet", unv], check=True, stdout=subprocess.DEVNULL)

    def run_module():
        vevadar.translate(unv, out)

    model = vevadar.translate(unv, out).model
    command, module = best(run_command, options.runs), best(run_module, options.runs)
    command_cpu, module_cpu = best(run_command, options.runs, cpu), best(run_module, options.runs, cpu)
    print(f"command line, whole translation      {command * 1000:8.1f} ms"
          f"   (processor time {command_cpu * 1000:.1f} ms)")
    print(f"vevadar.translate() with its arrays  {module * 1000:8.1f} ms"
          f"   (processor time {module_cpu * 1000:.1f} ms; {len(model.nodes)} nodes,"
          f" {len(model.elements)} elements)")
    ratio = module / command
    print(f"  translate() / command line          {ratio:8.2f}   target <= 1.5  "
          f"{'PASS' if ratio <= 1.5 else 'FALLS SHORT'}"
          f"   (processor time: {module_cpu / command_cpu:.2f})")

    try:
        import gmsh
    except ImportError:
        print("Gmsh's Python API is not installed (apt-get install python3-gmsh): left out")
    else:
        def gmsh_read():
            gmsh.initialize(["-noenv"], readConfigFiles=False)
            gmsh.option.setNumber("General.Verbosity", 0)
            gmsh.open(unv)
            gmsh.model.mesh.getNodes()
            gmsh.model.mesh.getElements()
            gmsh.finalize()
        reading = best(gmsh_read, 3)
        print(f"Gmsh's Python API, open and arrays   {reading * 1000:8.1f} ms")
        ratio = reading / module
        print(f"  Gmsh / translate()                  {ratio:8.2f}   target >= 15   "
              f"{'PASS' if ratio >= 15 else 'FALLS SHORT'}")

    whole = fresh_import("import vevadar")
    meshio = fresh_import("import meshio")
    print(f"import vevadar (fresh interpreter)   {whole * 1000:8.1f} ms"
          f"   (import meshio alone: {meshio * 1000:.1f} ms)")
