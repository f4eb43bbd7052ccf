#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (seconds, default 30):
# the bitmap reader from memory and from a file, the open command and the colour road's damage
# checks, all four seeded with the bitmap corpus, then the number texts. A crash stops the run
# with its input saved in build-fuzz/crashes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-30}"
# The fuzz preset: clang, the core only, warnings as errors.
"$root/scripts/build.sh" fuzz -DVELTA_WERROR=ON
crashes="$root/build-fuzz/crashes"
mkdir -p "$crashes"

# run <target> <corpus directory> <maximum input length>
run() {
  "$root/build-fuzz/fuzz/$1" "$2" -max_total_time="$seconds" -max_len="$3" \
    -artifact_prefix="$crashes/$1-" -print_final_stats=1 2>&1 | tail -n 12
}

# Each bitmap target grows a corpus of its own from the test bitmaps.
for target in bitmap_fuzz bitmap_file_fuzz open_fuzz colour_check_fuzz; do
  corpus="$root/build-fuzz/corpus-$target"
  mkdir -p "$corpus"
  find "$root/tests/data" -name '*.bmp' -exec cp -n {} "$corpus/" \;
  run "$target" "$corpus" 200000
done

tcorpus="$root/build-fuzz/corpus-text"
mkdir -p "$tcorpus"
printf '12,5' > "$tcorpus/a"; printf ' 1.250 ' > "$tcorpus/b"; printf -- '-3' > "$tcorpus/c"
run text_fuzz "$tcorpus" 64
echo "fuzzing: no crash in ${seconds}s per target"
