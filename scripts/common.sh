# Shared by play.sh and check.sh: installs the Debian packages the build needs when any is missing,
# and configures and builds a build directory.
# shellcheck shell=bash

NIGHTLOOM_PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  libsdl2-dev libgtk-3-dev libegl-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libmpg123-dev libopenmpt-dev libkissfft-dev libfreetype-dev fonts-dejavu-core libmp3lame-dev
  libpng-dev libasound2-dev libgtest-dev libgmock-dev ffmpeg xvfb xauth
  dpkg-dev file desktop-file-utils man-db groff-base
)

# What only check.sh needs: clang and its runtimes for the fuzz target (libFuzzer), and Python for
# the include-cycle check.
NIGHTLOOM_CHECK_PACKAGES=(clang libclang-rt-14-dev python3)

# install_packages [PACKAGE...]: the build's packages and the ones named.
install_packages() {
  local missing=()
  for package in "${NIGHTLOOM_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "nightloom: installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [cmake options...]: configures DIR and builds everything in it.
build_tree() {
  local dir=$1
  shift
  cmake -S "$NIGHTLOOM_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# build_targets DIR TARGETS [-- cmake options...]: configures DIR and builds only TARGETS.
build_targets() {
  local dir=$1 targets=() options=()
  shift
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  options=("$@")
  cmake -S "$NIGHTLOOM_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
}

# The show's data file names, read from their one table (every quoted name ending in .p or .mp3).
show_data_files() {
  grep -oE '"[A-Za-z0-9_]+\.(p|mp3)"' "$NIGHTLOOM_ROOT/assets/show_data.h" | tr -d '"'
}
