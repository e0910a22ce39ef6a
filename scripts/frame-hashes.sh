#!/usr/bin/env bash
# Prints the SHA-256 of every picture a set of off-screen runs draws, one line a picture, so that
# two builds of the show can be compared frame by frame (a speed-up must not change one pixel):
#   scripts/frame-hashes.sh PROGRAM [full] > hashes.txt ; diff hashes-a.txt hashes-b.txt
# The quick set: all 2,280 frames at 320x180 and 30 fps, the same with --reduce-flashing, and one
# frame a second of the show at 1280x720 and 1920x1080. "full" adds stills at 1280x720 and
# 1920x1080 at twelve times across the show at the default 60 steps a second (some minutes).
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"

[ $# -ge 1 ] || fail "usage: scripts/frame-hashes.sh PROGRAM [full]"
program=$(realpath "$1")
[ -x "$program" ] || fail "$1 is not an executable"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/nightloom-hashes.XXXXXX")
on_exit rm -rf "$scratch"

# frames NAME ARGUMENTS...: every frame of one --frames run, hashed under NAME.
frames() {
  local name=$1
  shift
  step "drawing $name" "$scratch/log"
  "$program" --frames "$scratch/$name" "$@" >"$scratch/log" 2>&1
  (cd "$scratch/$name" && sha256sum frame_*.png | sed "s|  |  $name/|")
}

frames 320x180-30fps --size 320x180 --fps 30
frames 320x180-30fps-reduced --size 320x180 --fps 30 --reduce-flashing
frames 1280x720-1fps --size 1280x720 --fps 1
frames 1920x1080-1fps --size 1920x1080 --fps 1
if [ "${2:-}" = full ]; then
  for size in 1280x720 1920x1080; do
    for ms in 2500 8000 12000 17500 23000 29000 34000 40000 45000 52000 63000 73000; do
      step "drawing the still at $ms ms, $size" "$scratch/log"
      "$program" --still "$ms" "$scratch/still.png" --size "$size" >"$scratch/log" 2>&1
      echo "$(sha256sum <"$scratch/still.png" | cut -d' ' -f1)  still-$size-$ms.png"
    done
  done
fi
