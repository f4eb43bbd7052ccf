#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once in a normal build (preset release, in
# build/) and once more with AddressSanitizer and UndefinedBehaviorSanitizer (preset sanitize, in
# build-asan/). Both build with warnings as errors. Widget tests run on the offscreen platform.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
cd "$root"

"$root/scripts/build.sh" release -DVELTA_WERROR=ON
ctest --preset release -j"$(nproc)"

"$root/scripts/build.sh" sanitize -DVELTA_WERROR=ON
ctest --preset sanitize -j"$(nproc)"
