#!/usr/bin/env bash
# Installs what is missing, builds vevadar and translates the bundled example into out/example/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
echo "== Building"
cmake --preset default >/dev/null
cmake --build --preset default --target vevadar_cli >/dev/null

mkdir -p out/example
echo "== Translating examples/bracket.unv into out/example/"
status=0
build/default/tools/vevadar -C out/example examples/bracket.unv || status=$?
echo "== Exit status $status. The message file out/example/rozedere.msg:"
cat out/example/rozedere.msg
echo "== The records of out/example/velm.bin:"
build/default/tools/vevadar dump out/example/velm.bin
exit "$status"
