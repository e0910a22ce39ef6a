#!/usr/bin/env bash
# The static 64-bit Windows libraries the MinGW-w64 build links (SDL2, libmpg123, KissFFT,
# libopenmpt, libpng, GoogleTest), built from Debian's source packages by scripts/cross-deps.sh
# into ${NIGHTLOOM_CACHE:-~/.cache/nightloom}/windows-deps/<key>. Run it: it prints the prefix.
# This file says only what to build and how.
set -euo pipefail
# shellcheck source=scripts/cross-deps.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/cross-deps.sh"

DEPS_TARGET=windows
DEPS_GROUPS=(windows sources)
DEPS_SOURCES=(libsdl2 mpg123 kissfft libopenmpt libpng1.6 googletest)
WINDOWS_TOOLCHAIN=$NIGHTLOOM_ROOT/cmake/toolchain-mingw-w64-x86_64.cmake
WINDOWS_TRIPLET=x86_64-w64-mingw32
WINDOWS_SYSROOT=/usr/$WINDOWS_TRIPLET

deps_toolchain() {
  echo "compiler $("$WINDOWS_TRIPLET-g++-posix" --version | head -n 1)"
  dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
    libz-mingw-w64-dev binutils-mingw-w64-x86-64
  echo "toolchain $(cross_deps_code_hash "$WINDOWS_TOOLCHAIN")"
}

windows_cmake() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$1" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_INSTALL_INCLUDEDIR=include -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_FLAGS="$path_map" \
    -DCMAKE_CXX_FLAGS="$path_map" "${launcher[@]}" "${@:2}"
  nice cmake --build "$work" -j "$(nproc)"
  DESTDIR="$stage" cmake --install "$work"
}

deps_build_libsdl2() {
  windows_cmake "$src" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
}

deps_build_mpg123() {
  windows_cmake "$src/ports/cmake" -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF -DNETWORK=OFF
  # Upstream's .pc omits the library that PathIsRelativeW comes from (-lshlwapi).
  sed -i 's/^Libs: .*-lmpg123/& -lshlwapi/' "$stage$prefix/lib/pkgconfig/libmpg123.pc"
  grep -q -- '-lshlwapi' "$stage$prefix/lib/pkgconfig/libmpg123.pc"
}

deps_build_kissfft() {
  windows_cmake "$src" -DKISSFFT_STATIC=ON -DKISSFFT_DATATYPE=float -DKISSFFT_TEST=OFF \
    -DKISSFFT_TOOLS=OFF -DKISSFFT_OPENMP=OFF -DKISSFFT_PKGCONFIG=ON
}

deps_build_libopenmpt() {
  local cc=()
  command -v ccache >/dev/null && cc=(ccache)
  # Its default -g makes a 130 MB archive.
  (cd "$work" && PKG_CONFIG_LIBDIR="$WINDOWS_SYSROOT/lib/pkgconfig" \
    "$src/configure" --host="$WINDOWS_TRIPLET" --prefix="$prefix" \
    CC="${cc[*]} $WINDOWS_TRIPLET-gcc-posix" CXX="${cc[*]} $WINDOWS_TRIPLET-g++-posix" \
    CFLAGS="-O2 $path_map" CXXFLAGS="-O2 $path_map" --enable-static --disable-shared --with-zlib \
    --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile --without-pulseaudio \
    --without-portaudio --without-portaudiocpp --without-sdl2 --without-sndfile --without-flac \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc)
  nice make -C "$work" -j "$(nproc)"
  make -C "$work" install DESTDIR="$stage"
}

deps_build_libpng1.6() {
  windows_cmake "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$WINDOWS_SYSROOT/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$WINDOWS_SYSROOT/include"
}

deps_build_googletest() {
  # Google Test's own threading on Windows is Win32's; its pthread path is for other systems.
  windows_cmake "$src" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON
}

# Pieces the libraries' own installs lack: a static-only zlib (CMake would otherwise turn -lz
# into the sysroot's libz.dll.a) and a glu.pc for MinGW's glu32, as Linux has one.
deps_finish() {
  local dir=$stage$prefix
  cp "$WINDOWS_SYSROOT/lib/libz.a" "$dir/lib/"
  cp "$WINDOWS_SYSROOT/include/zlib.h" "$WINDOWS_SYSROOT/include/zconf.h" "$dir/include/"
  cat >"$dir/lib/pkgconfig/zlib.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library (static copy of MinGW's)
Version: $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev | sed 's/[+-].*//')
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
PC
  cat >"$dir/lib/pkgconfig/glu.pc" <<PC
Name: glu
Description: MinGW's OpenGL utility library
Version: 9.0
Libs: -lglu32 -lopengl32
Cflags:
PC
  find "$dir" -name '*.la' -delete
  rm -rf "$dir/share/doc" "$dir/share/man"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  cross_deps_main
fi
