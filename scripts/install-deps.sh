#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for vevadar. Runs apt-get only when a package is
# missing; needs root (or sudo).
#   --build    only what a build of the library and the command needs (CMake, make, g++);
#   (none)     also what the tests need: GoogleTest, Google Benchmark, clang-format, clang-tidy,
#              pkg-config for the install test, the system Python's VTK module python3-vtk9 (the
#              tests read `vevadar vtk` grids back with it), and what the Python module and its
#              tests need: python3-dev and pybind11-dev to build it, python3-numpy for its arrays,
#              python3-meshio and python3-gmsh to read its meshes back, python3-pytest to run them;
#   --windows  also MinGW-w64 and the GoogleTest source (built with MinGW for the Windows tests):
#              all that the cross build and its checks without Wine need;
#   --wine     Wine for running the 32-bit DLL: wine and wine32 (enabling the i386 architecture).
#
# A package index that apt-get update cannot fetch does not stop the script: the update is tried
# three times, then the failed indexes are named and the script goes on, so that apt-get install
# alone decides whether what is asked for can be had. Each package that cannot be installed is
# named with apt's reason on one line ("install-deps.sh: cannot install NAME: REASON"), the others
# are installed, and the exit status is 1.
set -euo pipefail

packages=(cmake make g++)
tests=(libgtest-dev libbenchmark-dev clang-format clang-tidy pkgconf python3-vtk9
  python3-dev pybind11-dev python3-numpy python3-meshio python3-gmsh python3-pytest)
case "${1:-}" in
  --build) ;;
  "") packages+=("${tests[@]}") ;;
  --windows) packages+=("${tests[@]}" g++-mingw-w64-i686-posix googletest) ;;
  --wine) packages=(wine wine32:i386) ;;
  *)
    echo "usage: install-deps.sh [--build | --windows | --wine]" >&2
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
    echo "install-deps.sh: installing ${missing[*]} needs root; run this as root or install sudo" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
apt_options=(-o DPkg::Lock::Timeout=300)
log=$(mktemp "${TMPDIR:-/tmp}/install-deps.XXXXXX")
trap 'rm -f "$log"' EXIT

if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "enabling the i386 architecture (for wine32)"
  $sudo dpkg --add-architecture i386
fi

# apt-get update exits non-zero when any one index fails, even one that nothing asked for here
# needs (say the i386 packages of one archive while its mirror syncs).
updated=false
index_note=""
for attempt in 1 2 3; do
  if $sudo apt-get update -q "${apt_options[@]}" </dev/null >"$log" 2>&1; then
    updated=true
    break
  fi
  if [ $attempt -lt 3 ]; then sleep $((attempt * 5)); fi
done
if ! $updated; then
  # "E: Failed to fetch URL  REASON [IP: ...]", one line an index; otherwise apt's own error lines.
  failures=$(sed -n 's/^E: Failed to fetch \([^ ]*\)  *\(.*\)$/\1 (\2)/p' "$log" | sed 's/ *\[IP: [^]]*\])$/)/')
  if [ -z "$failures" ]; then failures=$(grep '^E: ' "$log" | sed 's/^E: //'); fi
  if [ -z "$failures" ]; then failures="apt-get update failed without an error line"; fi
  while IFS= read -r failure; do
    echo "install-deps.sh: apt-get update failed 3 times, going on without this index: $failure" >&2
  done <<<"$failures"
  index_note=" (after apt-get update failed for $(head -n 1 <<<"$failures" | sed 's/ (.*//'))"
fi

# apt's reason why PACKAGE cannot be installed, on one line: its error, and the first unmet
# dependency with the count of the others. Fails when PACKAGE alone would install.
install_reason() {
  local package=$1 error unmet count
  $sudo apt-get install -s --no-install-recommends "${apt_options[@]}" "$package" </dev/null \
    >"$log" 2>&1 && return 1
  error=$(sed -n 's/^E: //p' "$log" | paste -sd ';' -)
  unmet=$(grep -m 1 -E '^ [^ ].* : [A-Za-z-]+: ' "$log" | sed 's/^ *//; s/  */ /g' || true)
  count=$(grep -cE '^ .*(Depends|Breaks|Conflicts): ' "$log" || true)
  if [ -n "$unmet" ]; then
    if [ "$count" -gt 1 ]; then unmet="$unmet (and $((count - 1)) more unmet dependencies)"; fi
    echo "$unmet; $error"
  else
    echo "${error:-apt-get install -s $package failed}"
  fi
}
apt_error() { sed -n 's/^E: //p' "$log" | paste -sd ';' -; }

if $sudo apt-get install -y -q --no-install-recommends "${apt_options[@]}" "${missing[@]}" \
  </dev/null >"$log" 2>&1; then
  exit 0
fi
# One package that cannot be had makes apt refuse the whole list: install the others, name it.
first_error=$(apt_error)
installable=()
refused=0
for package in "${missing[@]}"; do
  if reason=$(install_reason "$package"); then
    echo "install-deps.sh: cannot install $package: $reason$index_note" >&2
    refused=$((refused + 1))
  else
    installable+=("$package")
  fi
done
if [ ${#installable[@]} -gt 0 ]; then
  if ! $sudo apt-get install -y -q --no-install-recommends "${apt_options[@]}" "${installable[@]}" \
    </dev/null >"$log" 2>&1; then
    reason=$(apt_error)
    echo "install-deps.sh: cannot install ${installable[*]}: ${reason:-${first_error:-apt-get install failed}}" >&2
    exit 1
  fi
fi
[ $refused -eq 0 ]
