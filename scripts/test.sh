#!/usr/bin/env bash
# Builds and runs every test: the normal build, the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer, no recovery), and the Windows DLL under Wine. Set
# VEVADAR_SKIP_WINDOWS=1 to leave out the Windows part (it then says so).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

for preset in default asan; do
  echo "== Build and test: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --timeout 600 -j2
done

if [ "${VEVADAR_SKIP_WINDOWS:-0}" = "1" ]; then
  echo "== Windows DLL tests SKIPPED (VEVADAR_SKIP_WINDOWS=1)"
else
  bash scripts/test-windows.sh
fi
echo "== All tests passed"
