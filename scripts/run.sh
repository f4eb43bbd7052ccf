#!/usr/bin/env bash
# Installs what is missing, builds VELTA300 and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "VELTA300 needs a graphical display, and none is available (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run it from a desktop session, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
exec "$root/build/velta300"
