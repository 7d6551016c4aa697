#!/usr/bin/env bash
# Installs what is missing for a build (CMake, make, g++; nothing the tests need), builds vevadar
# without its tests (preset release) and translates the bundled example into out/example/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --build
echo "== Building"
cmake --preset release >/dev/null
cmake --build --preset release --target vevadar_cli >/dev/null

mkdir -p out/example
echo "== Translating examples/bracket.unv into out/example/"
status=0
build/release/tools/vevadar -C out/example examples/bracket.unv || status=$?
echo "== Exit status $status. The message file out/example/rozedere.msg:"
cat out/example/rozedere.msg
echo "== The records of out/example/velm.bin:"
build/release/tools/vevadar dump out/example/velm.bin
exit "$status"
