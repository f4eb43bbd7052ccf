#!/usr/bin/env bash
# Configures and builds one build tree from a preset of CMakePresets.json:
#   scripts/build.sh PRESET [cmake options...]
# release -> build, sanitize -> build-asan, fuzz -> build-fuzz (its fuzz targets only),
# core-only -> build-core. Any other first argument is taken as a build directory to configure with
# the options given alone (the form used before the presets).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="$1"; shift
cd "$root"
if cmake --list-presets=configure | grep -q "^  \"$name\""; then
  cmake --preset "$name" "$@" >/dev/null
  cmake --build --preset "$name" -j"$(nproc)"
else
  cmake -S "$root" -B "$root/$name" -G Ninja "$@" >/dev/null
  cmake --build "$root/$name" -j"$(nproc)"
fi
