#!/usr/bin/env bash
# The web build's libraries: SDL2, libmpg123 and KissFFT (float) built with emscripten from
# Debian's source packages, static and without threads, by scripts/cross-deps.sh into
# ${NIGHTLOOM_CACHE:-~/.cache/nightloom}/web-deps/<key>. Run it: it prints the prefix. This file
# says only what to build and how.
set -euo pipefail
# shellcheck source=scripts/cross-deps.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/cross-deps.sh"

DEPS_TARGET=web
DEPS_GROUPS=(web sources)
DEPS_SOURCES=(libsdl2 mpg123 kissfft)

# Debian's emscripten is built on its own packaged node modules; a node from elsewhere does not see
# them and emcc stops with "Cannot find module 'acorn'".
deps_environment() {
  case ":${NODE_PATH:-}:" in
    *:/usr/share/nodejs:*) ;;
    *) export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}" ;;
  esac
}

deps_toolchain() {
  deps_environment
  echo "emcc $(emcc -dumpversion)"
}

# SDL2 is compiled straight from its sources: its CMake configure runs some 300 checks, each a
# full emcc link, and took 18-20 minutes of a cold build, while SDL's own include/SDL_config.h
# already picks SDL_config_emscripten.h under emcc. The folders are the ones that configuration
# uses (no threads: the generic thread stubs); a file whose feature it leaves off compiles empty.
WEB_SDL2_FOLDERS=(
  . atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file
  filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten joystick/virtual
  libm loadso/dlopen locale locale/emscripten misc misc/emscripten power power/emscripten render
  render/opengles2 render/software sensor sensor/dummy stdlib thread thread/generic timer
  timer/unix video video/emscripten video/yuv2rgb
)

deps_build_libsdl2() {
  deps_environment
  local folder sources=()
  for folder in "${WEB_SDL2_FOLDERS[@]}"; do sources+=("$src/src/$folder"/*.c); done
  sources=("${sources[@]/\/.\//\/}")
  mkdir -p "$work/objects" "$stage$prefix/lib/pkgconfig" "$stage$prefix/include/SDL2"
  # One object per source, named after its path below src/ (several folders share file names).
  # shellcheck disable=SC2016 # expanded by the inner sh
  printf '%s\n' "${sources[@]#"$src/src/"}" |
    nice xargs -P "$(nproc)" -I{} sh -c 'emcc -O2 -DNDEBUG -fno-strict-aliasing -fvisibility=hidden \
      -I"$1/include" -idirafter "$1/src/video/khronos" -c "$1/src/$2" \
      -o "$3/objects/$(echo "$2" | tr / _).o"' sdl2 "$src" {} "$work"
  emar rcs "$stage$prefix/lib/libSDL2.a" "$work"/objects/*.o
  cp "$src"/include/*.h "$stage$prefix/include/SDL2/"
  local version
  version=$(sed -n 's/^#define SDL_\(MAJOR\|MINOR\)_VERSION *\([0-9]*\).*/\2/p
    s/^#define SDL_PATCHLEVEL *\([0-9]*\).*/\1/p' "$src/include/SDL_version.h" | paste -sd.)
  cat >"$stage$prefix/lib/pkgconfig/sdl2.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: sdl2
Description: Simple DirectMedia Layer (emscripten: canvas, events, Web Audio; no threads)
Version: $version
Libs: -L\${libdir} -lSDL2
Cflags: -I\${includedir} -I\${includedir}/SDL2
PC
}

# Only libmpg123 is needed (its install targets bring the small libout123 and libsyn123 along). Its
# own CMake port would pick x86 assembly (emscripten reports an x86 processor), so the autotools
# build with the generic float decoder is used. Its config.sub predates emscripten's host triplet:
# autotools-dev's current one replaces it.
deps_build_mpg123() {
  deps_environment
  cp /usr/share/misc/config.sub /usr/share/misc/config.guess "$src/build/"
  (cd "$work" && nice emconfigure "$src/configure" --host=wasm32-unknown-emscripten \
    --prefix="$prefix" --enable-static --disable-shared --with-cpu=generic_fpu \
    --disable-modules --disable-network --disable-ipv6 --with-audio=dummy \
    --with-default-audio=dummy CFLAGS="-O2 $path_map")
  nice make -C "$work" -j "$(nproc)" src/libmpg123/libmpg123.la
  make -C "$work" DESTDIR="$stage" install-libLTLIBRARIES install-includeHEADERS \
    install-nodist_includeHEADERS install-pkgconfigDATA
  rm -f "$stage$prefix"/lib/*.la
}

deps_build_kissfft() {
  deps_environment
  nice emcmake cmake -S "$src" -B "$work" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
    -DKISSFFT_OPENMP=OFF -DKISSFFT_PKGCONFIG=ON
  nice cmake --build "$work" -j "$(nproc)"
  DESTDIR=$stage cmake --install "$work"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  cross_deps_main
fi
