#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 30),
# seeded with the bitmap corpus. A crash stops the run with its input saved in build-fuzz/crashes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DVELTA_CORE_ONLY=ON -DVELTA_FUZZ=ON \
  -DVELTA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-fuzz" --target bitmap_fuzz text_fuzz -j"$(nproc)"
crashes="$root/build-fuzz/crashes"
mkdir -p "$crashes"

corpus="$root/build-fuzz/corpus-bitmap"
mkdir -p "$corpus"
find "$root/tests/data" -name '*.bmp' -exec cp -n {} "$corpus/" \;
"$root/build-fuzz/fuzz/bitmap_fuzz" "$corpus" -max_total_time="$seconds" -max_len=200000 \
  -artifact_prefix="$crashes/" -print_final_stats=1 2>&1 | tail -n 12

tcorpus="$root/build-fuzz/corpus-text"
mkdir -p "$tcorpus"
printf '12,5' > "$tcorpus/a"; printf ' 1.250 ' > "$tcorpus/b"; printf -- '-3' > "$tcorpus/c"
"$root/build-fuzz/fuzz/text_fuzz" "$tcorpus" -max_total_time="$seconds" -max_len=64 \
  -artifact_prefix="$crashes/" -print_final_stats=1 2>&1 | tail -n 12
echo "fuzzing: no crash in ${seconds}s per target"
