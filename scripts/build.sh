#!/usr/bin/env bash
# Configures and builds Quorvex into build/ (or the folder given as $1).
# Extra arguments are passed to CMake, e.g. -DQUORVEX_SANITIZE=ON.
# QUORVEX_BUILD_TARGETS, when set, names the targets to build instead of all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Configure quietly, but show everything it said when it fails.
if ! cmake -S "$root" -B "$build" -G Ninja -DQUORVEX_WERROR=ON "$@" >"$log" 2>&1; then
  cat "$log" >&2
  echo "Configuring $build failed (see above)." >&2
  exit 1
fi
grep -m1 -- '-- Build type:' "$log" || true
read -r -a targets <<<"${QUORVEX_BUILD_TARGETS:-all}"
cmake --build "$build" --target "${targets[@]}"
