#!/usr/bin/env bash
# Times the whole road (open 3000 x 2000, orientation, 3000 x 3000 rectification through the
# command and bare), each benchmark in a process of its own so that its peak memory is its own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" release >/dev/null
for b in roadOpen roadOrientation roadRectifyCommand roadBareRectifier; do
  "$root/build/bench/velta_bench" --benchmark_filter="^${b}\$" 2>/dev/null | grep -E "^${b}"
done
