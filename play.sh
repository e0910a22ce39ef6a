#!/usr/bin/env bash
# Plays the show: installs what is missing, builds (the "release" preset, build/), and starts
# nightloom with its setup dialog. On a machine without a display it renders the whole show to
# nightloom.mp4 instead.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
cd "$NIGHTLOOM_ROOT"

step "installing the packages"
install_packages show
step "building the show"
cmake --preset release >/dev/null
cmake --build --preset release
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/nightloom "$@"
fi
say "no display here, so the show is rendered to nightloom.mp4 off screen (5 to 10 minutes on" \
  "two cores without a GPU)"
step "rendering the show to nightloom.mp4"
build/nightloom --capture nightloom.mp4 "$@"
say "the show is in $NIGHTLOOM_ROOT/nightloom.mp4"
