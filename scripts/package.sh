#!/usr/bin/env bash
# Builds the Release program and its Debian package (build/velta300_<version>_amd64.deb).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" release
(cd "$root/build" && cpack -G DEB)
