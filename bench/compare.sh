#!/usr/bin/env bash
# Times vevadar at the table capacities side by side with `cat` and gmsh, and prints the ratios
# of its speed and memory targets with PASS or FALLS SHORT.
#
#   bash bench/compare.sh [--rounds N] [--runs R] [--baseline VEVADAR] [--scale]
#
# Generates the capacity file (125,000 nodes and elements, 32 MB) and its one-tenth twin in a
# scratch folder, builds the command-line host as the packages are built (Release, in build/bench;
# VEVADAR names another build instead), then runs N rounds (default 5)
# of hyperfine over `cat FILE`, `vevadar --quiet FILE`, `vevadar --quiet TENTH` and, when it is
# installed, `gmsh FILE -parse_and_exit`, R timed runs each (default 10) after 3 warm-up runs, so
# the page cache holds both files. Each round's ratios come from the minimum time of each command
# in that round; the summary gives the minimum and the median over the rounds, and the verdict is
# the median's. Peak resident memory and page faults (minor and major) are the capacity run's, as
# GNU time reports them (a child started from Python would carry Python's own peak into its
# figure); heap allocations are counted by valgrind when it is installed. The kernel's share: the
# capacity run's system time (hyperfine's), its page faults and the ratios of its targets.
# --baseline times another build (an older vevadar program) on the tenth file in the same rounds,
# for the target that the tenth-size run be no slower than before. Needs hyperfine, python3 and
# GNU time (apt-get install hyperfine python3 time; gmsh and valgrind are optional).
#
# --scale measures a model ten times the default capacities instead: a build of capacity
# 1,250,000 nodes and elements (build/scale, or VEVADAR) translates the generated scale file
# (1,250,000 nodes and elements, 320 MB) and the capacity file, and gmsh parses the scale file
# (rounds default 3, runs 3 after 1 warm-up run). Its targets: the scale file costs at most 11x the
# capacity file's time (linear) and 10x its peak resident memory, gmsh takes at least 10x as
# long, and the heap allocations are the same for both files.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=""
runs=""
scale=0
baseline=""
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --scale) scale=1; shift ;;
    --baseline) baseline="$2"; shift 2 ;;
    *) echo "usage: bash bench/compare.sh [--rounds N] [--runs R] [--baseline VEVADAR] [--scale]" >&2
       exit 64 ;;
  esac
done
for tool in hyperfine python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "compare.sh: $tool is missing (apt-get install $tool)" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "compare.sh: GNU time is missing (apt-get install time)" >&2
  exit 1
fi

vevadar="${VEVADAR:-}"
# A folder of this run's own: two benchmarks at once must not share their files.
work=$(mktemp -d "${TMPDIR:-/tmp}/vevadar-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out"
if [ "$scale" = "1" ]; then
  rounds=${rounds:-3}
  runs=${runs:-3}
  if [ -z "$vevadar" ]; then
    echo "== Building the command-line host with capacities of 1,250,000 (build/scale)"
    cmake -S . -B build/scale -DCMAKE_BUILD_TYPE=Release -DVEVADAR_TESTS=OFF \
      -DVEVADAR_BENCHMARKS=OFF -DVEVADAR_PYTHON=OFF -DVEVADAR_INSTALL=OFF \
      -DVEVADAR_MAX_NODES=1250000 -DVEVADAR_MAX_ELEMENTS=1250000 >/dev/null
    cmake --build build/scale -j2 --target vevadar_cli >/dev/null
    vevadar="$PWD/build/scale/tools/vevadar"
  fi
  python3 bench/scale_compare.py "$vevadar" "$work" "$rounds" "$runs"
  exit
fi
rounds=${rounds:-5}
runs=${runs:-10}
if [ -z "$vevadar" ]; then
  # Built as the packages are (Release), in a folder of its own so that no preset's cache changes.
  echo "== Building the command-line host (Release, build/bench)"
  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVEVADAR_TESTS=OFF \
    -DVEVADAR_BENCHMARKS=OFF -DVEVADAR_PYTHON=OFF -DVEVADAR_INSTALL=OFF >/dev/null
  cmake --build build/bench -j2 --target vevadar_cli >/dev/null
  vevadar="$PWD/build/bench/tools/vevadar"
fi

echo "== Generating the capacity file and its tenth in $work"
python3 bench/capacity_model.py "$work/capacity.unv" 50
python3 bench/capacity_model.py "$work/tenth.unv" 5

commands=("cat $work/capacity.unv"
          "$vevadar -C $work/out --quiet $work/capacity.unv"
          "$vevadar -C $work/out --quiet $work/tenth.unv")
if command -v gmsh >/dev/null 2>&1; then
  commands+=("gmsh $work/capacity.unv -parse_and_exit")
else
  echo "== gmsh is not installed (apt-get install gmsh): its ratio is left out"
fi
if [ -n "$baseline" ]; then
  mkdir -p "$work/baseline"
  commands+=("$baseline -C $work/baseline --quiet $work/tenth.unv")
fi

for ((round = 1; round <= rounds; ++round)); do
  echo "== Round $round of $rounds"
  hyperfine -N --style basic --warmup 3 --runs "$runs" --export-json "$work/round$round.json" \
    "${commands[@]}" >/dev/null 2>"$work/hyperfine.log"
done

# Peak resident memory and page faults (minor and major) of one capacity run.
/usr/bin/time -f "%M %R %F" -o "$work/usage" "$vevadar" -C "$work/out" --quiet \
  "$work/capacity.unv" >/dev/null
read -r rss_kib minor major <"$work/usage"
faults=$((minor + major))

allocations() {
  valgrind "$vevadar" -C "$work/out" --quiet "$1" 2>&1 >/dev/null |
    sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' | tr -d ,
}
alloc_capacity=""
alloc_tenth=""
if command -v valgrind >/dev/null 2>&1; then
  echo "== Counting heap allocations (valgrind)"
  alloc_capacity=$(allocations "$work/capacity.unv")
  alloc_tenth=$(allocations "$work/tenth.unv")
else
  echo "== valgrind is not installed (apt-get install valgrind): allocations not counted"
fi

has_gmsh=$(command -v gmsh >/dev/null 2>&1 && echo 1 || echo 0)
python3 - "$work" "$rounds" "$rss_kib" "$alloc_capacity" "$alloc_tenth" "$faults" "$has_gmsh" \
  "${baseline:+1}" <<'EOF'
import json, statistics, sys
work, rounds, rss_kib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
alloc_capacity, alloc_tenth, faults = sys.argv[4], sys.argv[5], int(sys.argv[6])
has_gmsh, has_baseline = sys.argv[7] == "1", sys.argv[8] == "1"

ratios = {"gmsh": [], "cat": [], "tenth": [], "baseline": []}
system = []
for r in range(1, rounds + 1):
    with open(f"{work}/round{r}.json") as f:
        results = json.load(f)["results"]
    best = [min(result["times"]) for result in results]
    cat, capacity, tenth = best[0], best[1], best[2]
    system.append(results[1]["system"])
    line = (f"round {r}: cat {cat * 1000:.1f} ms, vevadar {capacity * 1000:.1f} ms "
            f"(system {results[1]['system'] * 1000:.1f} ms), tenth {tenth * 1000:.1f} ms")
    ratios["cat"].append(capacity / cat)
    ratios["tenth"].append(capacity / tenth)
    if has_gmsh:
        ratios["gmsh"].append(best[3] / capacity)
        line += f", gmsh {best[3] * 1000:.1f} ms"
    if has_baseline:
        ratios["baseline"].append(tenth / best[-1])
        line += f", baseline's tenth {best[-1] * 1000:.1f} ms"
    print(line)

def verdict(ok):
    return "PASS" if ok else "FALLS SHORT"

def ratio_line(label, key, at_most=None, at_least=None, missing=None):
    """One ratio's min / median over the rounds and the median's verdict."""
    values = ratios[key]
    if not values:
        print(f"{label:36}{missing}")
        return
    median = statistics.median(values)
    if at_most is not None:
        target, ok = f"target <= {at_most:<5}", median <= at_most
    else:
        target, ok = f"target >= {at_least:<5}", median >= at_least
    print(f"{label:36}{min(values):6.2f} / {median:6.2f}   {target}{verdict(ok)}")

print()
print(f"Ratios over {rounds} rounds (each from the minimum times of its round): min / median")
ratio_line("1a. gmsh time / vevadar time", "gmsh", at_least=10, missing="(gmsh not installed)")
ratio_line("1b. vevadar time / cat time", "cat", at_most=12)
ratio_line("2.  capacity time / tenth time", "tenth", at_most=11)
mib = rss_kib / 1024
print(f"3a. peak resident memory            {mib:6.1f} MiB"
      f"            target <= 64   {verdict(mib <= 64)}")
if alloc_capacity and alloc_tenth:
    print(f"3b. heap allocations capacity/tenth {alloc_capacity} / {alloc_tenth}"
          f"   target equal   {verdict(alloc_capacity == alloc_tenth)}")
else:
    print("3b. heap allocations                (valgrind not installed)")
print()
print("The kernel's share of the capacity run")
ratio_line("4a. vevadar time / cat time", "cat", at_most=8)
ratio_line("4b. gmsh time / vevadar time", "gmsh", at_least=15, missing="(gmsh not installed)")
print(f"4c. page faults (minor and major)   {faults:6d}"
      f"            target <= 500  {verdict(faults <= 500)}")
print(f"    system time, mean of a round    {min(system) * 1000:6.1f} / "
      f"{statistics.median(system) * 1000:6.1f} ms")
ratio_line("4d. tenth time / baseline's tenth", "baseline", at_most=1,
           missing="(no --baseline given)")
EOF
