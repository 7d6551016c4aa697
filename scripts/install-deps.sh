#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test vevadar: the native build's
# packages, and with --windows also MinGW-w64, the GoogleTest source (built with MinGW for the
# Windows tests) and Wine for the 32-bit DLL (enabling the i386 architecture for wine32). The
# system Python's VTK module (python3-vtk9) lets the tests read `vevadar vtk` grids back. Runs
# apt-get only when a package is missing; needs root (or sudo).
set -euo pipefail

packages=(cmake make g++ libgtest-dev libbenchmark-dev clang-format python3-vtk9)
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-i686-posix googletest wine wine32:i386)
fi
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "== Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
    echo "error: installing ${missing[*]} needs root; run this as root or install sudo" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "enabling the i386 architecture (for wine32)"
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq -o DPkg::Lock::Timeout=300 </dev/null
$sudo apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 \
  "${missing[@]}" </dev/null >/dev/null
