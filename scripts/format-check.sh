#!/usr/bin/env bash
# Checks the C++ sources against .clang-format without changing them: lists each file that
# clang-format would change, with the number of lines, and fails if there is any.
#   scripts/format-check.sh [file...]      (default: every tracked source in src, tests, app, bench, fuzz)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
command -v clang-format >/dev/null || "$root/scripts/install-deps.sh"
if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'app/*.cpp' 'app/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
else
  files=("$@")
fi
failed=0
for f in "${files[@]}"; do
  n=$(clang-format --style=file "$f" | diff "$f" - | grep -c '^<' || true)
  if [ "$n" -gt 0 ]; then
    echo "$f: $n lines differ"
    failed=$((failed + 1))
  fi
done
if [ "$failed" -gt 0 ]; then
  echo "format-check: $failed of ${#files[@]} files differ from .clang-format (clang-format --dry-run FILE shows where)" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files match .clang-format"
