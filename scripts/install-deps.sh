#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for vevadar. With --build: only what a build of
# the library and the command needs (CMake, make, g++). Without an option: also what the tests
# need (GoogleTest, Google Benchmark, clang-format, clang-tidy, pkg-config for the install test,
# the system Python's VTK module python3-vtk9, with which the tests read `vevadar vtk` grids back).
# With --windows: also MinGW-w64, the GoogleTest source (built with MinGW for the Windows tests)
# and Wine for the 32-bit DLL (enabling the i386 architecture for wine32). Runs apt-get only
# when a package is missing; needs root (or sudo).
set -euo pipefail

packages=(cmake make g++)
case "${1:-}" in
  --build) ;;
  "") packages+=(libgtest-dev libbenchmark-dev clang-format clang-tidy pkgconf python3-vtk9) ;;
  --windows)
    packages+=(libgtest-dev libbenchmark-dev clang-format clang-tidy pkgconf python3-vtk9)
    packages+=(g++-mingw-w64-i686-posix googletest wine wine32:i386)
    ;;
  *)
    echo "usage: install-deps.sh [--build | --windows]" >&2
    exit 64
    ;;
esac
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
