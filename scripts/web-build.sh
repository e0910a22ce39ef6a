#!/usr/bin/env bash
# Builds the show for the web (the "web" preset) into build-web/: index.html, nightloom.js,
# nightloom.wasm, Data/ with the nine data files, the page's icons and preview picture, and the
# notices (LICENSE.txt, THIRD_PARTY.txt, licences/), nothing else, so that any static file server
# can serve the folder. Installs emscripten and chromium when missing, has scripts/web-deps.sh build
# SDL2, libmpg123 and KissFFT once into a cache outside the clone, and takes the data files from a
# native build tree (NATIVE_TREE, default build/), whose data generator (which also draws the
# icons) and program (whose --still draws the preview) it brings up to date first. CMake's own
# files go to build-web-cmake/.
#   scripts/web-build.sh [NATIVE_TREE]
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
native=$(realpath -m "${1:-$NIGHTLOOM_ROOT/build}")
cd "$NIGHTLOOM_ROOT"
started=$SECONDS

# The data generator is a native program (FreeType, LAME): it needs the desktop build's packages.
step "installing the packages"
install_packages show web
step "the web libraries"
NIGHTLOOM_WEB_DEPS=$(scripts/web-deps.sh)
export NIGHTLOOM_WEB_DEPS
use_native_build "$native" nightloom

# A folder left from an earlier build may hold files no longer made: the site starts empty.
step "building the page"
rm -rf build-web
cmake --preset web >/dev/null
cmake --build --preset web

# What a visitor downloads, and what that comes to where the server compresses it.
sizes=$(find build-web -type f | while read -r file; do
  echo "$(stat -c %s "$file") $(gzip -9c "$file" | wc -c)"
done | awk '{ all += $1; packed += $2 } END { printf "%.2f MB, %.2f MB gzipped", all / 1e6, packed / 1e6 }')
say "the web build is in $NIGHTLOOM_ROOT/build-web ($sizes), built in $((SECONDS - started)) s"
