#!/usr/bin/env bash
# Builds the show for the web into build-web/: index.html, nightloom.js, nightloom.wasm, Data/ with
# the nine data files, the page's icons and preview picture, LICENSE.txt, THIRD_PARTY.txt and
# licences/, nothing else, so that any static file server can serve the folder.
# Installs emscripten and chromium when missing, takes SDL2, libmpg123 and KissFFT from the
# emscripten dependency cache (scripts/web-deps.sh builds it the first time, some 7 minutes), and
# the data files from a native build tree (NATIVE_TREE, default build/), whose data generator it
# brings up to date first. CMake's own files go to build-web-cmake/.
#   scripts/web-build.sh [NATIVE_TREE]
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
native=$(realpath -m "${1:-$NIGHTLOOM_ROOT/build}")
site=$NIGHTLOOM_ROOT/build-web
tree=$NIGHTLOOM_ROOT/build-web-cmake
source "$NIGHTLOOM_ROOT/scripts/common.sh"
source "$NIGHTLOOM_ROOT/scripts/web-deps.sh"
started=$SECONDS

# The data generator is a native program (FreeType, LAME): it needs the desktop build's packages.
# shellcheck disable=SC2119 # the desktop build's packages, no others
install_packages
web_deps_prefix >/dev/null
if [ ! -f "$native/CMakeCache.txt" ]; then
  cmake -S "$NIGHTLOOM_ROOT" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# The native tree also draws the page's icons (the data generator) and its preview picture (the
# desktop program's --still).
cmake --build "$native" -j "$(nproc)" --target nightloom_data nightloom

# A folder left from an earlier build may hold files no longer made: the site starts empty.
rm -rf "$site"
emcmake cmake -S "$NIGHTLOOM_ROOT" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DNIGHTLOOM_WEB_DEPS="$WEB_DEPS_PREFIX" -DNIGHTLOOM_WEB_DATA="$native/Data" \
  -DNIGHTLOOM_DATAGEN="$native/tools/datagen/nightloom-datagen" \
  -DNIGHTLOOM_DESKTOP_PROGRAM="$native/nightloom" \
  -DNIGHTLOOM_WEB_SITE="$site" >/dev/null
cmake --build "$tree" -j "$(nproc)"

# What a visitor downloads, and what that comes to where the server compresses it.
sizes=$(find "$site" -type f | while read -r file; do
  echo "$(stat -c %s "$file") $(gzip -9c "$file" | wc -c)"
done | awk '{ all += $1; packed += $2 } END { printf "%.2f MB, %.2f MB gzipped", all / 1e6, packed / 1e6 }')
echo "nightloom: the web build is in $site ($sizes), built in $((SECONDS - started)) s"
