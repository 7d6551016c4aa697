#!/usr/bin/env python3
"""The scale comparison of bench/compare.sh --scale (run by it, not on its own).

    scale_compare.py VEVADAR WORK ROUNDS RUNS

VEVADAR is a command-line host built with capacities of at least 1,250,000 nodes and elements.
Generates the capacity file (125,000 nodes and elements) and the scale file (1,250,000 of each,
500 layers of the same grid) in WORK, times both translations and gmsh's parse of the scale file
with hyperfine, measures each translation's peak resident memory and, with valgrind, its heap
allocations, and prints the figures with PASS or FALLS SHORT against the scale targets.
"""
import json
import os
import shutil
import statistics
import subprocess
import sys

BENCH = os.path.dirname(os.path.abspath(__file__))


def generate(path, layers):
    subprocess.run([sys.executable, os.path.join(BENCH, "capacity_model.py"), path, str(layers)],
                   check=True)


def peak_rss_kib(command):
    """The peak resident memory of one run of `command`, as GNU time reports it: a child started
    from here would carry this interpreter's own peak into its figure."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit(f"scale_compare.py: {' '.join(command)} failed (status {result.returncode})")
    return int(result.stderr.strip().splitlines()[-1])


def allocations(command):
    result = subprocess.run(["valgrind"] + command, capture_output=True, text=True, check=True)
    for line in result.stderr.splitlines():
        if "total heap usage:" in line:
            return int(line.split("total heap usage:")[1].split("allocs")[0].replace(",", ""))
    return None


def verdict(ok):
    return "PASS" if ok else "FALLS SHORT"


def main():
    vevadar, work, rounds, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    capacity = os.path.join(work, "capacity.unv")
    scale = os.path.join(work, "scale.unv")
    out = os.path.join(work, "out")
    print(f"== Generating the capacity file and the scale file in {work}", flush=True)
    generate(capacity, 50)
    generate(scale, 500)

    translate = {name: [vevadar, "-C", out, "--quiet", path]
                 for name, path in (("capacity", capacity), ("scale", scale))}
    commands = [" ".join(translate["capacity"]), " ".join(translate["scale"])]
    if shutil.which("gmsh"):
        commands.append(f"gmsh {scale} -parse_and_exit")
    else:
        print("== gmsh is not installed (apt-get install gmsh): its ratio is left out")

    times = {"capacity": [], "scale": [], "gmsh": []}
    for r in range(1, rounds + 1):
        print(f"== Round {r} of {rounds}", flush=True)
        export = os.path.join(work, f"scale-round{r}.json")
        subprocess.run(["hyperfine", "-N", "--style", "basic", "--warmup", "1", "--runs",
                        str(runs), "--export-json", export] + commands,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(export) as f:
            best = [min(result["times"]) for result in json.load(f)["results"]]
        for name, value in zip(("capacity", "scale", "gmsh"), best):
            times[name].append(value)
        print("round %d: %s" % (r, ", ".join(f"{name} {values[-1] * 1000:.0f} ms"
                                              for name, values in times.items() if values)))

    rss = {name: peak_rss_kib(command) for name, command in translate.items()}
    counted = {}
    if shutil.which("valgrind"):
        print("== Counting heap allocations (valgrind)", flush=True)
        counted = {name: allocations(command) for name, command in translate.items()}
    else:
        print("== valgrind is not installed (apt-get install valgrind): allocations not counted")

    linear = [s / c for s, c in zip(times["scale"], times["capacity"])]
    print()
    print(f"Scale figures over {rounds} rounds (each from the minimum times of its round): "
          "min / median")
    print(f"S1. scale time / capacity time       {min(linear):6.2f} / "
          f"{statistics.median(linear):6.2f}   target <= 11   "
          f"{verdict(statistics.median(linear) <= 11)}")
    memory = rss["scale"] / rss["capacity"]
    print(f"S2. scale / capacity peak memory     {memory:6.2f} ({rss['scale'] / 1024:.1f} / "
          f"{rss['capacity'] / 1024:.1f} MiB)   target <= 10   {verdict(memory <= 10)}")
    if times["gmsh"]:
        g = [gm / s for gm, s in zip(times["gmsh"], times["scale"])]
        print(f"S3. gmsh time / vevadar time, scale  {min(g):6.2f} / {statistics.median(g):6.2f}"
              f"   target >= 10   {verdict(statistics.median(g) >= 10)}")
    else:
        print("S3. gmsh time / vevadar time, scale  (gmsh not installed)")
    if counted:
        print(f"S4. heap allocations scale/capacity  {counted['scale']} / {counted['capacity']}"
              f"   target equal   {verdict(counted['scale'] == counted['capacity'])}")
    else:
        print("S4. heap allocations                 (valgrind not installed)")


if __name__ == "__main__":
    main()
