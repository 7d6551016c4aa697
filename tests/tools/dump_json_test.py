"""`vevadar dump --json` parsed by Python's json module and compared with the records of the
default dump, value for value (reals as 32-bit floats: the JSON reals must read back to the same
bits as the dump's 9 significant digits); `vevadar info --json` compared with the same model.
Over the small test model, the bundled example and the real files of the corpus.

    python3 dump_json_test.py VEVADAR CORPUS_DIR"""
import json
import os
import re
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import model_unv  # noqa: E402

PROGRAM, CORPUS = sys.argv[1], sys.argv[2]
EXAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                       "bracket.unv")
failures = []


def f32(text):
    return struct.unpack("f", struct.pack("f", float(text)))[0]


def bits(value):
    return struct.pack("<f", value)


def from_records(text):
    """The model as the default dump shows it, in the JSON document's shape."""
    m = {"parts": [], "nodes": [], "elements": [], "restraint_sets": [], "load_sets": []}
    lines = text.splitlines()
    m["bytes"], m["records"] = map(int, re.match(r".*: (\d+) bytes, (\d+) records$", lines[0]).groups())
    for line in lines[1:]:
        body = line.split("): ", 1)[1] if line.startswith("record ") else line.strip()
        if g := re.match(r'header "(.*)"$', body):
            m["header"] = g.group(1)
        elif g := re.match(r'part (\d+) "(.{8})"$', body):
            m["parts"].append({"index": int(g.group(1)), "name": g.group(2)})
        elif g := re.match(r"part (\d+) id (-?\d+)$", body):
            m["parts"][int(g.group(1)) - 1]["id"] = int(g.group(2))
        elif g := re.match(r"node (\d+): label (-?\d+)  x (\S+)  y (\S+)  z (\S+)  \(0\)$", body):
            m["nodes"].append({"index": int(g.group(1)), "label": int(g.group(2)),
                               "x": f32(g.group(3)), "y": f32(g.group(4)), "z": f32(g.group(5))})
        elif g := re.match(r"element: label (\S+)  type (\S+)  part (\S+)  nodes (\S+)  slots (.*)  \(0 0 0\)$", body):
            m["elements"].append({"record": int(line.split()[1]), "label": int(g.group(1)),
                                  "type": int(g.group(2)), "part": int(g.group(3)),
                                  "node_count": int(g.group(4)),
                                  "slots": [int(v) for v in g.group(5).split()]})
        elif g := re.match(r"combined set count (\d+)$", body):
            m["set_count"] = int(g.group(1))
        elif g := re.match(r"restraint sets (\d+), nodes (\d+)$", body):
            codes_per_set = int(g.group(2))
        elif g := re.match(r"restraint set (\d+) \(non-zero codes\)$", body):
            m["restraint_sets"].append({"set": int(g.group(1)), "codes": [0] * codes_per_set})
        elif g := re.match(r"node (\d+): (-?\d+)$", body):
            m["restraint_sets"][-1]["codes"][int(g.group(1)) - 1] = int(g.group(2))
        elif g := re.match(r"load set ids (.*)$", body):
            ids = [int(v) for v in g.group(1).split()]
        elif g := re.match(r"load set (\d+): datasets (-?\d+), second count (-?\d+)$", body):
            s = int(g.group(1))
            m["load_sets"].append({"set": s, "id": ids[s - 1], "datasets": int(g.group(2)),
                                   "second_count": int(g.group(3)), "loads": []})
        elif g := re.match(r"node (\d+): force (\S+) (\S+) (\S+)  moment (\S+) (\S+) (\S+)$", body):
            v = [f32(x) for x in g.groups()[1:]]
            m["load_sets"][-1]["loads"].append({"node": int(g.group(1)), "force": v[:3],
                                                "moment": v[3:]})
    return m


def same(a, b, where):
    """Equal, reals compared by their 32-bit patterns (so -0.0 differs from 0.0)."""
    if isinstance(a, dict) and isinstance(b, dict):
        if set(a) != set(b):
            failures.append("%s: keys %s / %s" % (where, sorted(a), sorted(b)))
            return False
        return all(same(a[k], b[k], where + "." + k) for k in a)
    if isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            failures.append("%s: %d / %d entries" % (where, len(a), len(b)))
            return False
        return all(same(x, y, "%s[%d]" % (where, i)) for i, (x, y) in enumerate(zip(a, b)))
    if isinstance(a, float) or isinstance(b, float):
        if not (isinstance(a, float) and isinstance(b, float) and bits(a) == bits(b)):
            failures.append("%s: %r / %r" % (where, a, b))
            return False
        return True
    if a != b:
        failures.append("%s: %r / %r" % (where, a, b))
        return False
    return True


def check_info(name, unv, document):
    """`vevadar info --json` agrees with the model a translation wrote, and writes no file."""
    with tempfile.TemporaryDirectory() as where:
        p = subprocess.run([PROGRAM, "info", "--json", unv], cwd=where, capture_output=True)
        if os.listdir(where):
            failures.append("%s: info left %s" % (name, os.listdir(where)))
    if p.returncode != 0:
        failures.append("%s: info exit status %d %s" % (name, p.returncode, p.stderr))
        return {"descriptors": None, "datasets": []}
    info = json.loads(p.stdout.decode("ascii"))
    kept = {}
    for e in document["elements"]:
        kept[(e["type"], e["node_count"])] = kept.get((e["type"], e["node_count"]), 0) + 1
    same(sorted(kept.items()), sorted(((k["type"], k["node_count"]), k["count"])
                                      for k in info["model_elements"]), name + " info model elements")
    same(info["nodes"]["count"], len(document["nodes"]), name + " info nodes")
    summary = info["translation"]["summary"]
    same([summary["parts"], summary["nodes"], summary["restraint_sets"], summary["load_sets"]],
         [len(document["parts"]), len(document["nodes"]), len(document["restraint_sets"]),
          len(document["load_sets"])], name + " info summary")
    return info


def compare(name, unv):
    with tempfile.TemporaryDirectory() as where:
        if subprocess.run([PROGRAM, unv], cwd=where, capture_output=True).returncode not in (0, 1):
            return False
        # A UTF-8 file name is written as the UTF-8 it is.
        model = "mod\u00e8le.bin".encode("utf-8")
        os.rename(os.path.join(where.encode(), b"velm.bin"), os.path.join(where.encode(), model))
        dump = subprocess.run([PROGRAM, "dump", model], cwd=where, capture_output=True)
        js = subprocess.run([PROGRAM, "dump", "--json", model], cwd=where, capture_output=True)
    if dump.returncode != 0 or js.returncode != 0:
        failures.append("%s: dump exit status %d, --json %d" % (name, dump.returncode, js.returncode))
        return True
    document = json.loads(js.stdout.decode("utf-8"))
    if document.pop("file") != "mod\u00e8le.bin":
        failures.append("%s: file name" % name)
    same(from_records(dump.stdout.decode("latin-1")), document, name)
    compare.last = check_info(name, unv, document)
    return True


with tempfile.TemporaryDirectory() as where:
    unv = os.path.join(where, "model.unv")
    with open(unv, "w") as f:
        f.write(model_unv.text())  # node 2's negative zero must keep its sign
    compare("small model", unv)
compare("example", EXAMPLE)
same([(d["descriptor"], d["count"], d["kept"]) for d in compare.last["descriptors"]],
     [(21, 1, True), (44, 1, False), (91, 1, True), (94, 1, True), (115, 1, True), (122, 1, True)],
     "example info descriptors")
same([(d["number"], d["read"]) for d in compare.last["datasets"]],
     [(151, False), (164, False), (2411, True), (2412, True), (791, True), (790, True),
      (754, True)], "example info datasets")
if os.path.isdir(CORPUS):
    compared = sum(compare(n, os.path.join(CORPUS, n)) for n in sorted(os.listdir(CORPUS))
                   if n.endswith((".unv", ".uff")))
    print("%d real files compared" % compared)
else:
    print("corpus part skipped: %s is not there" % CORPUS)

for failure in failures[:20]:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
