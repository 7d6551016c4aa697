#!/usr/bin/env bash
# Windows part of the tests: cross-builds the 32-bit vevadar.dll with MinGW-w64 (preset win32)
# and checks it:
#   - its export and import tables (objdump);
#   - the Windows kit for the host's integrators, the zip CPack makes (`cd build/win32 && cpack`):
#     exactly the DLL, its import library, vevadar.def, the headers, LICENSE and README.txt;
# and, under Wine:
#   - the host harness dararude.exe loading it and running the boundary checks;
#   - the harness over many universal files, each run's callback lines, velm.bin and rozedere.msg
#     compared byte for byte with the Linux library's on the same files (native build in
#     build/default);
#   - the GoogleTest unit and run tests of every area (textfields, recordfiles, modelfile,
#     translator), built with MinGW from the GoogleTest source.
# When Wine cannot be installed (wine32 needs the i386 packages of every archive to match the
# amd64 ones), the checks without Wine still run and the Wine runs are reported as not run, with
# apt's reason; VEVADAR_REQUIRE_WINE=1 makes that a failure. With VEVADAR_WINE_REPORT=FILE the
# reason is also written to FILE (scripts/test.sh repeats it in its last line).
# Installs what is missing with apt-get (needs root or sudo). Runs headless: needs no HOME,
# DISPLAY or stdin, and uses a private Wine prefix that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
linux_build=$root/build/default
windows_build=$root/build/win32

started=$SECONDS
phase_started=$SECONDS
phase_name=""
timings=()
phase() {
  if [ -n "$phase_name" ]; then timings+=("$phase_name: $((SECONDS - phase_started)) s"); fi
  phase_name=$1
  phase_started=$SECONDS
  if [ -n "$1" ]; then echo "== Windows: $1"; fi
}
report_timings() {
  phase ""
  echo "== Windows: time per step"
  printf '   %s\n' "${timings[@]}"
}
wine_tmp=""
cleanup() {
  status=$?
  if [ -n "$wine_tmp" ]; then
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$wine_tmp"
  fi
  report_timings
  if [ $status -ne 0 ]; then echo "== Windows: FAILED (exit $status) after $((SECONDS - started)) s"; fi
}
trap cleanup EXIT

# --- Packages -----------------------------------------------------------------------------------
phase "packages"
bash scripts/install-deps.sh --windows
# Wine is installed apart: when it cannot be, the checks that need no Wine still run.
wine_missing=""
wine_log=$(mktemp "${TMPDIR:-/tmp}/vevadar-wine-install.XXXXXX")
if ! bash scripts/install-deps.sh --wine 2>"$wine_log"; then
  cat "$wine_log" >&2
  wine_missing=$(sed -n 's/^install-deps\.sh: \(cannot install .*\)$/\1/p' "$wine_log" | head -n 1)
  if [ -z "$wine_missing" ]; then
    wine_missing="Wine could not be installed: $(tail -n 1 "$wine_log")"
  fi
else
  cat "$wine_log" >&2
fi
rm -f "$wine_log"
if [ -n "$wine_missing" ]; then
  if [ "${VEVADAR_REQUIRE_WINE:-0}" = "1" ]; then
    echo "== Windows: FAILED: Wine is required (VEVADAR_REQUIRE_WINE=1) and cannot be installed: $wine_missing" >&2
    exit 1
  fi
  wine_tests=OFF
else
  wine_tests=ON
fi

# --- Builds -------------------------------------------------------------------------------------
phase "native library and harness (reference outputs), $linux_build"
cmake --preset default >/dev/null
cmake --build --preset default --target vevadar library_host

phase "cross build, preset win32, $windows_build"
cmake --preset win32 "-DVEVADAR_LINUX_BUILD=$linux_build" "-DVEVADAR_WINE_TESTS=$wine_tests" >/dev/null
cmake --build --preset win32

if [ -n "$wine_missing" ]; then
  phase "checks without Wine (the DLL's tables, the Windows kit)"
  ctest --test-dir "$windows_build" --output-on-failure --timeout 600 -j2 </dev/null
  rule="=================================================================================================="
  echo "$rule"
  echo "== Windows: THE DLL WAS NOT RUN UNDER WINE: $wine_missing"
  echo "== Checked without Wine: the cross build of the DLL and of every test program, the DLL's export"
  echo "== and import tables, the Windows kit. Not run: the host harness, the runs compared with the"
  echo "== Linux library, the unit and run tests under Wine. VEVADAR_REQUIRE_WINE=1 makes this a failure."
  echo "$rule"
  if [ -n "${VEVADAR_WINE_REPORT:-}" ]; then printf '%s\n' "$wine_missing" >"$VEVADAR_WINE_REPORT"; fi
  echo "== Windows: passed without Wine in $((SECONDS - started)) s"
  exit 0
fi

# --- Wine -----------------------------------------------------------------------------------------
phase "Wine prefix"
prefix_parent=$(mktemp -d "${TMPDIR:-/tmp}/vevadar-wine.XXXXXX")
# Set before any wine command: without WINEPREFIX even a help request creates ~/.wine.
export WINEPREFIX=$prefix_parent/prefix WINEARCH=win32 WINEDEBUG=-all
wine_tmp=$prefix_parent  # from here on the exit trap stops this prefix's server and removes it
export WINEDLLOVERRIDES="mscoree=;mshtml="  # no Mono or Gecko install attempts
echo "prefix $WINEPREFIX"
wineboot --init </dev/null >/dev/null 2>&1
wineserver -w
# One persistent server for all tests, and Wine's services started now: started by the first
# test instead, they would inherit ctest's output pipe and keep ctest waiting.
wineserver -p
wineboot </dev/null >/dev/null 2>&1

# --- Tests ----------------------------------------------------------------------------------------
phase "ctest under Wine (tables, boundary checks, runs compared with Linux, unit and run tests)"
timeout 900 ctest --test-dir "$windows_build" --output-on-failure --timeout 600 -j2 </dev/null

echo "== Windows: all passed in $((SECONDS - started)) s"
