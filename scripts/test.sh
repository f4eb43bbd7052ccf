#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once in a normal build and once more
# with AddressSanitizer and UndefinedBehaviorSanitizer. Widget tests run on the offscreen platform.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

"$root/scripts/build.sh" build -DCMAKE_BUILD_TYPE=Release
ctest --test-dir "$root/build" --output-on-failure -j"$(nproc)"

"$root/scripts/build.sh" build-asan -DCMAKE_BUILD_TYPE=Debug -DVELTA_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$(nproc)"
