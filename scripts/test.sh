#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite twice: once in a
# normal build, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Normal build =="
"$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_SANITIZE=ON -DQUORVEX_BENCH=OFF
ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
