#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test vevadar (native build).
# Runs apt-get only when a package is missing; needs root (or sudo) for that.
set -euo pipefail

packages=(cmake make g++ libgtest-dev libbenchmark-dev)
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
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}" >/dev/null
