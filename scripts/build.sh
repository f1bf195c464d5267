#!/usr/bin/env bash
# Configures and builds Quorvex into build/ (or the folder given as $1).
# Extra arguments are passed to CMake, e.g. -DQUORVEX_SANITIZE=ON.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -G Ninja -DQUORVEX_WERROR=ON "$@" >/dev/null
cmake --build "$build"
