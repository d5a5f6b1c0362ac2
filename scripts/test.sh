#!/usr/bin/env bash
# Set-up, build and the whole test suite. `scripts/test.sh --sanitize` does the same in a separate
# build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

build="$root/build"
flags=(-DTTS_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-sanitize"
  flags+=(-DTTS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S "$root" -B "$build" "${flags[@]}"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
