#!/usr/bin/env bash
# Plays the show: installs what is missing, builds, and starts nightloom with its setup dialog.
# On a machine without a display it renders the whole show to nightloom.mp4 instead.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NIGHTLOOM_ROOT/scripts/common.sh"

install_packages
build_tree "$NIGHTLOOM_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DNIGHTLOOM_TESTS=OFF
cd "$NIGHTLOOM_ROOT"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/nightloom "$@"
fi
echo "nightloom: no display here, so the show is rendered to nightloom.mp4 off screen (5 to 10 minutes on two cores without a GPU)"
build/nightloom --capture nightloom.mp4 "$@"
echo "nightloom: the show is in $NIGHTLOOM_ROOT/nightloom.mp4"
