#!/bin/sh
# scripts/fuzz.sh [SECONDS]: builds every fuzz target (fuzz/*_fuzz.cpp) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer into build/fuzz, runs each for SECONDS seconds
# (60 when not given) from a copy of its seeds, and says how many executions each made. Exit
# status 0 when no target found a fault; an input that made one fail is kept in build/fuzz as
# crash-..., leak-... or timeout-... with the target's last lines printed.
# Needs clang (Debian 12: apt-get install clang); the build uses two jobs.
set -eu

seconds=${1:-60}
case $seconds in
  '' | *[!0-9]* | 0)
    echo "usage: scripts/fuzz.sh [SECONDS]  (a whole number of seconds per target)" >&2
    exit 64
    ;;
esac

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVEVADAR_FUZZ=ON -DVEVADAR_SANITIZE=ON -DVEVADAR_TESTS=OFF -DVEVADAR_BENCHMARKS=OFF \
  -DVEVADAR_INSTALL=OFF >/dev/null
targets=$(cd "$root/fuzz" && ls -- *_fuzz.cpp | sed 's/\.cpp$//')
# shellcheck disable=SC2086 # one word per target
cmake --build "$build" --parallel 2 --target $targets

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in $targets; do
  # New inputs go into a copy: the seeds in the repository stay as they are.
  mkdir "$work/$target"
  if [ -d "$root/fuzz/seeds/$target" ]; then cp -R "$root/fuzz/seeds/$target/." "$work/$target/"; fi
  if "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/" "$work/$target" >"$work/$target.log" 2>&1; then
    outcome="no fault"
  else
    outcome="FAULT FOUND"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  echo "$target: ${runs:-?} executions in $seconds s, $outcome"
  if [ $status -ne 0 ] && [ "$outcome" != "no fault" ]; then tail -n 30 "$work/$target.log"; fi
done
exit $status
