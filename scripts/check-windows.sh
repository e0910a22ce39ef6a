#!/usr/bin/env bash
# The Windows stage of ./check.sh: cross-builds with scripts/windows-build.sh, then runs the Windows
# build's tests as .exe files under Wine on an Xvfb display: the portable GoogleTest suites, the
# Win32 setup dialog, the program's window, exit statuses and a still compared with the Linux
# build's, and objdump's view of what the .exe imports.
# Usage: scripts/check-windows.sh [LINUX_BUILD_TREE]. The Linux tree (default build-test, which
# ./check.sh has built) supplies the generated Data/ and renders the still to compare with.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
linux=$(realpath -m "${1:-$NIGHTLOOM_ROOT/build-test}")
build=$NIGHTLOOM_ROOT/build-windows
started=$SECONDS

step "building the Windows program"
NIGHTLOOM_NATIVE_BUILD=$linux "$NIGHTLOOM_ROOT/scripts/windows-build.sh"

# The Linux picture the Windows still must match; rendered from the Linux tree, beside its Data/.
step "rendering the Linux still to compare with"
nice cmake --build "$linux" --target nightloom
reference=$build/linux-still-6000.png
(cd "$linux" && ./nightloom --still 6000 "$reference" --size 640x360 2>/dev/null)
step "building the Windows tests"
cmake -S "$NIGHTLOOM_ROOT" -B "$build" -DNIGHTLOOM_REFERENCE_STILL="$reference" >/dev/null
nice cmake --build "$build"
built=$SECONDS

# A fresh Wine prefix and home for each run, removed at the end; nothing lands in the real $HOME.
# The home's ALSA default is the null device: Wine's sound driver then offers one output, so the
# show's sound goes through SDL's Windows output at real-time pace instead of the silent clock.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/nightloom-wine.XXXXXX")
on_exit rm -rf "$scratch"
mkdir -p "$scratch/prefix" "$scratch/home"
printf 'pcm.!default { type null }\nctl.!default { type null }\n' >"$scratch/home/.asoundrc"
export WINEPREFIX=$scratch/prefix HOME=$scratch/home WINEDEBUG=-all
export WINEDLLOVERRIDES=winemenubuilder.exe=d

# One X display for the whole run, so that a single wineserver serves every test. The wineserver
# and Wine's first start get no stdio of ours: the services Wine starts would otherwise keep
# ctest's output pipe open and ctest would never finish.
step "the Windows tests under Wine"
# shellcheck disable=SC2016
with_display bash -c '
  set -u
  wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
  status=0
  # One at a time, and a failed test once more: now and then a Wine process dies before the test
  # program starts (no output, a few milliseconds), which says nothing about the program.
  retry="--repeat until-pass:2"
  ctest --test-dir "$1" --output-on-failure --no-tests=error $retry -LE display || status=1
  ctest --test-dir "$1" --output-on-failure --no-tests=error $retry -L display || status=1
  wineserver -k
  exit $status' check-windows "$build"

say "the Windows stage passed: build $((built - started)) s, tests under Wine" \
  "$((SECONDS - built)) s"
