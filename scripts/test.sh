#!/usr/bin/env bash
# Builds and runs every test: the normal build, the same suite in a build of small capacities
# (1,000 nodes and elements, so every capacity check is met at its boundary cheaply), the sanitizer
# build (AddressSanitizer and UndefinedBehaviorSanitizer, no recovery), and the Windows DLL: cross-built and checked, and run
# under Wine when Wine can be installed (scripts/test-windows.sh). Set VEVADAR_SKIP_WINDOWS=1 to
# leave out the Windows part, VEVADAR_REQUIRE_WINE=1 to fail when the DLL cannot be run under Wine;
# the last line says what was left out.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
bash scripts/install-deps.sh
times="packages $((SECONDS - started)) s"

for preset in default small asan; do
  echo "== Build and test: $preset"
  part_started=$SECONDS
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --timeout 600 -j2
  times+=", $preset $((SECONDS - part_started)) s"
done

if [ "${VEVADAR_SKIP_WINDOWS:-0}" = "1" ]; then
  echo "== Windows DLL tests SKIPPED (VEVADAR_SKIP_WINDOWS=1)"
  echo "== Time: $times; in all $((SECONDS - started)) s"
  echo "== All tests passed; the Windows part was skipped (VEVADAR_SKIP_WINDOWS=1)"
  exit 0
fi
wine_report=$(mktemp "${TMPDIR:-/tmp}/vevadar-wine-report.XXXXXX")
trap 'rm -f "$wine_report"' EXIT
part_started=$SECONDS
VEVADAR_WINE_REPORT=$wine_report bash scripts/test-windows.sh
echo "== Time: $times, Windows $((SECONDS - part_started)) s; in all $((SECONDS - started)) s"
if [ -s "$wine_report" ]; then
  echo "== All tests passed; the Windows DLL was not run under Wine ($(cat "$wine_report"))"
else
  echo "== All tests passed"
fi
