#!/usr/bin/env bash
# Builds nightloom for 64-bit Windows from this clone: build-windows/nightloom.exe (Release,
# stripped, static, GUI subsystem) and build-windows/nightloom-windows.zip, a folder holding the
# .exe, the Data folder the Linux data generator made and a README.txt, as the show ships.
# Installs the MinGW-w64 cross compiler and Wine (scripts/windows-deps.sh), builds the static
# Windows libraries once into a cache outside the clone, and generates Data/ with a native build of
# the data generator (in build-windows-data, or in the tree named by NIGHTLOOM_NATIVE_BUILD).
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
# shellcheck source=scripts/windows-deps.sh
source "$NIGHTLOOM_ROOT/scripts/windows-deps.sh"

windows_build_say() { echo "nightloom: windows-build: $*" >&2; }

# The data files every copy of the show needs, made by tools/datagen on this machine.
mapfile -t NIGHTLOOM_DATA_FILES < <(show_data_files)

# Builds TARGET in the build tree DIR, configuring it first with the given options when it has no
# cache yet (a tree that exists, such as ./check.sh's build-test, keeps its own settings).
windows_build_target() {
  local dir=$1 target=$2
  shift 2
  [ -f "$dir/CMakeCache.txt" ] || cmake -S "$NIGHTLOOM_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  nice cmake --build "$dir" -j "$(nproc)" --target "$target"
}

windows_build_readme() {
  # CRLF line ends, so that Notepad on any Windows version shows the lines.
  sed 's/$/\r/' <<'TEXT'
nightloom 2o18 for Windows
==========================

A self-running real-time audiovisual production: a small setup dialog, then 76 seconds of
halftone-dot scenes, lettering and a credits roll in an OpenGL window, in step with its own music.

Start nightloom.exe. Choose resolution, aspect ratio, full screen, vertical sync and music, and
press Launch. Escape or closing the window ends the show early.

Keep nightloom.exe and the Data folder together: the show reads its music and eight pictures from
the Data folder beside the program (or from a Data folder in the working directory).

Needs 64-bit Windows with an OpenGL 3.0 driver and a sound device (without one the show plays
silently).

From a command prompt, "start /wait nightloom.exe --help" lists the options (cmd does not wait
for a windowed program on its own): --window 1280x720 skips the dialog; --still, --frames and
--capture render the show off screen (--capture needs ffmpeg.exe on the PATH).
Exit status: 0 after the show, -1 when the dialog was left without Launch, 1 when the show could
not start, 2 for a command line it does not understand.
TEXT
}

windows_build_package() {
  local build=$1 data=$2 stage=$1/package folder=nightloom-windows
  rm -rf "$stage"
  mkdir -p "$stage/$folder/Data"
  cp "$build/nightloom.exe" "$stage/$folder/"
  local name
  for name in "${NIGHTLOOM_DATA_FILES[@]}"; do cp "$data/$name" "$stage/$folder/Data/"; done
  windows_build_readme >"$stage/$folder/README.txt"
  rm -f "$build/nightloom-windows.zip"
  (cd "$stage" && cmake -E tar cf ../nightloom-windows.zip --format=zip "$folder")
}

main() {
  local started=$SECONDS
  install_packages
  windows_deps_ensure
  local native=${NIGHTLOOM_NATIVE_BUILD:-$NIGHTLOOM_ROOT/build-windows-data}
  local build=$NIGHTLOOM_ROOT/build-windows
  windows_build_target "$native" nightloom_data -DCMAKE_BUILD_TYPE=Release -DNIGHTLOOM_TESTS=OFF
  # Configured every time: a new dependency cache (new sources or compiler) gets a new prefix.
  cmake -S "$NIGHTLOOM_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$NIGHTLOOM_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake" \
    -DNIGHTLOOM_WINDOWS_DEPS="$WINDOWS_DEPS_PREFIX" \
    -DNIGHTLOOM_DATAGEN="$native/tools/datagen/nightloom-datagen" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64 >/dev/null
  nice cmake --build "$build" -j "$(nproc)" --target nightloom
  # The tests and the program started from the build folder find the data beside the .exe.
  mkdir -p "$build/Data"
  local name
  for name in "${NIGHTLOOM_DATA_FILES[@]}"; do cp -p "$native/Data/$name" "$build/Data/"; done
  windows_build_package "$build" "$native/Data"
  windows_build_say "built $build/nightloom.exe ($(du -k "$build/nightloom.exe" | cut -f1) KB) and" \
    "$build/nightloom-windows.zip ($(du -k "$build/nightloom-windows.zip" | cut -f1) KB)" \
    "in $((SECONDS - started)) s"
}

main "$@"
