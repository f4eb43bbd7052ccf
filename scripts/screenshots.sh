#!/usr/bin/env bash
# Makes the README's pictures of the real program: builds the end-to-end road test if needed and
# runs it on a virtual X display, where it grabs the main window after the lines, area and grid
# (doc/screenshots/main-window.png) and after the rectification (doc/screenshots/rectified.png), and
# the colour end-to-end test, which does the same on a 6000 x 4000 camera photograph
# (doc/screenshots/colour-main-window.png, doc/screenshots/colour-rectified.png, and a snapped line
# magnified, doc/screenshots/snapped-line.png), then the measurement
# log window and the report's page rendered (doc/screenshots/log-window.png, report.png).
#   scripts/screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/${1:-build}"
"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
  (cd "$root" && cmake --preset release -B "$build" >/dev/null)
fi
cmake --build "$build" --target e2e_road_test e2e_colour_test log_window_test report_test -j"$(nproc)"

out="$root/doc/screenshots"
mkdir -p "$out"
shots=(main-window rectified colour-main-window colour-rectified snapped-line log-window report)
for f in "${shots[@]}"; do rm -f "$out/$f.png"; done
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 VELTA_SCREENSHOT_DIR="$out" \
  "$build/tests/widgets/e2e_road_test" roadOfOnePhotograph
xvfb-run -a -s "-screen 0 1280x1024x24" \
  env QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 VELTA_SCREENSHOT_DIR="$out" \
  "$build/tests/widgets/e2e_colour_test"
for t in log_window_test report_test; do
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    env QT_QPA_PLATFORM=xcb QT_FONT_DPI=96 VELTA_SCREENSHOT_DIR="$out" "$build/tests/widgets/$t"
done
for f in "${shots[@]}"; do
  [ -s "$out/$f.png" ] || { echo "screenshots: $out/$f.png was not written" >&2; exit 1; }
done
echo "screenshots: ${shots[*]/%/.png} in $out"
