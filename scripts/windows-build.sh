#!/usr/bin/env bash
# Builds nightloom for 64-bit Windows from this clone (the "windows" preset): build-windows/
# nightloom.exe (Release, stripped, static, GUI subsystem) and build-windows/
# nightloom-<version>-windows.zip, which CPack packs from the install rules: the .exe, the Data
# folder, a README.txt and the notices (LICENSE.txt, THIRD_PARTY.txt, licences\), as the show
# ships. Installs the MinGW-w64 cross compiler and Wine, has
# scripts/windows-deps.sh build the static Windows libraries once into a cache outside the clone,
# and generates Data/ with a native build of the data generator (build-windows-data/, or the tree
# named by NIGHTLOOM_NATIVE_BUILD).
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
cd "$NIGHTLOOM_ROOT"
started=$SECONDS

step "installing the packages"
install_packages show windows
step "the Windows libraries"
NIGHTLOOM_WINDOWS_DEPS=$(scripts/windows-deps.sh)
export NIGHTLOOM_WINDOWS_DEPS

use_native_build "${NIGHTLOOM_NATIVE_BUILD:-build-windows-data}"

# Configured every time: a new library cache (new sources or compiler) gets a new prefix.
step "cross-building nightloom.exe"
cmake --preset windows >/dev/null
nice cmake --build --preset windows --target nightloom nightloom_data
step "packing the zip" build-windows/cpack.log
(cd build-windows && cpack -G ZIP >cpack.log 2>&1)
zip=$(ls build-windows/nightloom-*-windows.zip)
say "built build-windows/nightloom.exe ($(du -k build-windows/nightloom.exe | cut -f1) KB) and" \
  "$zip ($(du -k "$zip" | cut -f1) KB) in $((SECONDS - started)) s"
