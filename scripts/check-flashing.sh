#!/usr/bin/env bash
# Checks that the show played with --reduce-flashing stays within WCAG 2.3.1's three flashes a
# second, from a built tree (default build-test/): the whole show is captured off screen at
# 640x360 and 30 frames a second, and the project's flash analyser (tools/flashcheck) must pass
# it. The default show is captured and analysed as well and its figures printed for the record:
# it fails by design, the strobing being the production's own style.
#   scripts/check-flashing.sh [BUILD]
# At 640x360 the analyser's cells are two pixels (about an eighth of a degree) and its 10-degree
# field 160x120 pixels. The field follows the frame's height, so it covers the same share of the
# picture at any size; below this size the finest dot layer comes down to single pixels that
# alias as they move. Rendering and analysing both shows takes about three minutes on two cores.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
BUILD=$(cd "${1:-$NIGHTLOOM_ROOT/build-test}" && pwd)
SIZE=640x360
FPS=30
started=$SECONDS

scratch=$(mktemp -d "${TMPDIR:-/tmp}/nightloom-flashing.XXXXXX")
on_exit rm -rf "$scratch"

# capture NAME [OPTION]...: the whole show, silent (the music still drives the beats), into
# $scratch/NAME.mp4.
capture() {
  local name=$1
  shift
  step "capturing the $name show"
  if ! "$BUILD/nightloom" --capture "$scratch/$name.mp4" --size "$SIZE" --fps "$FPS" --no-music \
    "$@" >"$scratch/$name.log" 2>&1; then
    tail -n 20 "$scratch/$name.log" >&2
    fail "the $name show could not be captured"
  fi
}

# analyse NAME: the analyser's report on $scratch/NAME.mp4; its exit status (0 passes, 1 fails).
analyse() {
  local status=0
  step "analysing the $1 show"
  "$BUILD/tools/flashcheck/nightloom-flashcheck" "$scratch/$1.mp4" || status=$?
  [ "$status" -le 1 ] || fail "the analyser could not read the $1 show's capture"
  return "$status"
}

capture reduced --reduce-flashing
analyse reduced || fail "the show with --reduce-flashing flashes more than three times in a second"
capture default
analyse default || say "the default show fails WCAG 2.3.1 as it is meant to (figures above)"
say "the show with --reduce-flashing passes WCAG 2.3.1's flash thresholds at $SIZE, $FPS fps" \
  "($((SECONDS - started)) s)"
