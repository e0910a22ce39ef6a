#!/usr/bin/env bash
# Builds the static 64-bit Windows libraries the MinGW-w64 build links (SDL2, libmpg123, KissFFT,
# libopenmpt, libpng, GoogleTest) from Debian's source packages into a cache outside the clone.
# Source it and call windows_deps_prefix (prints the prefix) or windows_deps_ensure (sets
# WINDOWS_DEPS_PREFIX), or run it to fill the cache and print the prefix.
# shellcheck shell=bash

WINDOWS_DEPS_SCRIPT=$(readlink -f "${BASH_SOURCE[0]}")
WINDOWS_DEPS_TOOLCHAIN=$(readlink -f \
  "$(dirname "$WINDOWS_DEPS_SCRIPT")/../cmake/toolchain-mingw-w64-x86_64.cmake")
WINDOWS_DEPS_ROOT=${NIGHTLOOM_CACHE:-$HOME/.cache/nightloom}/windows-deps
WINDOWS_DEPS_TRIPLET=x86_64-w64-mingw32
WINDOWS_DEPS_SYSROOT=/usr/$WINDOWS_DEPS_TRIPLET

WINDOWS_DEPS_PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev mingw-w64-tools libz-mingw-w64-dev
  wine wine64 xvfb xauth
  cmake ninja-build make pkg-config dpkg-dev xz-utils bzip2 ccache
)

# The Debian source packages, in build order. Each has a windows_deps_build_<name> function.
WINDOWS_DEPS_SOURCES=(libsdl2 mpg123 kissfft libopenmpt libpng1.6 googletest)

# Sources are looked up again after this many days, so a Debian update gives a new key.
WINDOWS_DEPS_REFRESH_DAYS=30

windows_deps_say() { echo "nightloom: windows-deps: $*" >&2; }

windows_deps_install_packages() {
  local missing wanted=("${WINDOWS_DEPS_PACKAGES[@]}")
  mapfile -t missing < <(comm -13 \
    <(dpkg-query -W -f='${Status} ${Package}\n' "${wanted[@]}" 2>&1 |
      awk '$3 == "installed" { print $4 }' | sort) \
    <(printf '%s\n' "${wanted[@]}" | sort))
  [ ${#missing[@]} -eq 0 ] && return 0
  windows_deps_say "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900)
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >&2 && return 0
  # The package lists lock is not covered by DPkg::Lock::Timeout: wait for it by hand.
  local _
  for _ in $(seq 90); do
    "${apt[@]}" update -qq >&2 && break
    sleep 10
  done
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# Turns the machine's own Debian entries (deb822 .sources or one-line .list) into deb-src ones.
windows_deps_write_sources() {
  local dir=$1
  shopt -s nullglob
  local deb822=(/etc/apt/sources.list.d/*.sources) oneline=(/etc/apt/sources.list.d/*.list)
  shopt -u nullglob
  [ -f /etc/apt/sources.list ] && oneline+=(/etc/apt/sources.list)
  : >"$dir/debian-src.sources"
  : >"$dir/debian-src.list"
  [ ${#deb822[@]} -gt 0 ] && awk -v RS= '
    /(^|\n)Types:[^\n]*deb/ && /debian-archive-keyring|\/debian/ && !/Enabled: *no/ {
      n = split($0, lines, "\n"); out = "Types: deb-src\n"
      for (i = 1; i <= n; i++)
        if (lines[i] ~ /^(URIs|Suites|Components|Signed-By):/) out = out lines[i] "\n"
      printf "%s\n", out
    }' "${deb822[@]}" >"$dir/debian-src.sources"
  [ ${#oneline[@]} -gt 0 ] && sed -n 's/^deb \(.*\/debian\(-security\)\?\/\? .*\)/deb-src \1/p' \
    "${oneline[@]}" >"$dir/debian-src.list"
  [ -s "$dir/debian-src.sources" ] || [ -s "$dir/debian-src.list" ] || {
    windows_deps_say "no Debian entry in /etc/apt to take the source packages from"
    return 1
  }
}

# apt against the private sources folder; the system's apt configuration stays untouched.
windows_deps_apt() {
  local tool=$1 dir=$WINDOWS_DEPS_ROOT/apt
  shift
  local options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir"
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache")
  # apt's download user cannot write into a folder under root's home.
  [ "$(id -u)" -eq 0 ] && options+=(-o APT::Sandbox::User=root)
  "$tool" "${options[@]}" "$@"
}

# True when the .dsc and every file it lists (bar upstream signatures, which the archive may
# lack) are in the sources folder with the right checksums.
windows_deps_source_complete() {
  local dsc=$1
  [ -f "$dsc" ] || return 1
  (cd "$(dirname "$dsc")" &&
    sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$(basename "$dsc")" |
    awk '$3 !~ /\.asc$/ { print $1 "  " $3 }' | sha256sum --quiet -c - >/dev/null 2>&1)
}

# Picks the newest version of a source package that the archive really serves (a mirror may list
# a version whose files it lacks) and downloads it. Prints the version.
windows_deps_fetch() {
  local package=$1 sources=$WINDOWS_DEPS_ROOT/sources version newest=""
  for version in $(windows_deps_apt apt-cache showsrc "$package" |
    sed -n 's/^Version: //p' | sort -uVr); do
    newest=${newest:-$version}
    local dsc="$sources/${package}_${version#*:}.dsc"
    windows_deps_source_complete "$dsc" ||
      (cd "$sources" && windows_deps_apt apt-get source --download-only -qq "$package=$version" \
        >/dev/null 2>&1) || true
    if windows_deps_source_complete "$dsc"; then
      [ "$version" = "$newest" ] ||
        windows_deps_say "$package $newest is listed but not served; using $version"
      echo "$version"
      return 0
    fi
  done
  windows_deps_say "no downloadable source package for $package"
  return 1
}

# Refreshes sources/versions (one "package version" line each) when it is missing, old, or
# NIGHTLOOM_WINDOWS_DEPS_REFRESH=1. Offline, an existing list is kept.
windows_deps_resolve_sources() {
  local aptdir=$WINDOWS_DEPS_ROOT/apt sources=$WINDOWS_DEPS_ROOT/sources
  local list=$sources/versions
  if [ -f "$list" ] && [ "${NIGHTLOOM_WINDOWS_DEPS_REFRESH:-0}" != 1 ] &&
    [ -z "$(find "$list" -mtime +"$WINDOWS_DEPS_REFRESH_DAYS")" ]; then
    return 0
  fi
  mkdir -p "$aptdir/lists/partial" "$aptdir/cache/archives/partial" "$sources"
  windows_deps_write_sources "$aptdir" || return 1
  local lines="" package version
  if windows_deps_apt apt-get update -qq >/dev/null 2>&1; then
    for package in "${WINDOWS_DEPS_SOURCES[@]}"; do
      version=$(windows_deps_fetch "$package") || break
      lines+="$package $version"$'\n'
    done
  fi
  if [ "$(printf '%s' "$lines" | grep -c .)" -eq ${#WINDOWS_DEPS_SOURCES[@]} ]; then
    printf '%s' "$lines" >"$list.new" && mv "$list.new" "$list"
  elif [ -f "$list" ]; then
    windows_deps_say "cannot reach Debian's archive; keeping the versions of $(date -r "$list" +%F)"
  else
    windows_deps_say "cannot fetch the source packages from Debian's archive"
    return 1
  fi
}

# Everything a build depends on, one fact a line; the cache key is its hash.
windows_deps_manifest() {
  cat "$WINDOWS_DEPS_ROOT/sources/versions"
  echo "compiler $("$WINDOWS_DEPS_TRIPLET-g++-posix" --version | head -n 1)"
  dpkg-query -W -f='${Package} ${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
    libz-mingw-w64-dev binutils-mingw-w64-x86-64
  echo "script $(sha256sum <"$WINDOWS_DEPS_SCRIPT" | cut -c1-64)"
  echo "toolchain $(sha256sum <"$WINDOWS_DEPS_TOOLCHAIN" | cut -c1-64)"
}

windows_deps_version() {
  awk -v p="$1" '$1 == p { print $2 }' "$WINDOWS_DEPS_ROOT/sources/versions"
}

# ---- One function per library, run by windows_deps_strict with $src (the unpacked source), $work
# (its build folder), $prefix (the final install path) and $stage (the DESTDIR) set.

windows_deps_cmake() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$1" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_DEPS_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_INSTALL_INCLUDEDIR=include -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_FLAGS="$path_map" \
    -DCMAKE_CXX_FLAGS="$path_map" "${launcher[@]}" "${@:2}"
  nice cmake --build "$work" -j "$(nproc)"
  DESTDIR="$stage" cmake --install "$work"
}

windows_deps_build_libsdl2() {
  windows_deps_cmake "$src" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
}

windows_deps_build_mpg123() {
  windows_deps_cmake "$src/ports/cmake" -DBUILD_LIBOUT123=OFF -DBUILD_PROGRAMS=OFF -DNETWORK=OFF
  # Upstream's .pc omits the library that PathIsRelativeW comes from (-lshlwapi).
  sed -i 's/^Libs: .*-lmpg123/& -lshlwapi/' "$stage$prefix/lib/pkgconfig/libmpg123.pc"
  grep -q -- '-lshlwapi' "$stage$prefix/lib/pkgconfig/libmpg123.pc"
}

windows_deps_build_kissfft() {
  windows_deps_cmake "$src" -DKISSFFT_STATIC=ON -DKISSFFT_DATATYPE=float -DKISSFFT_TEST=OFF \
    -DKISSFFT_TOOLS=OFF -DKISSFFT_OPENMP=OFF -DKISSFFT_PKGCONFIG=ON
}

windows_deps_build_libopenmpt() {
  local cc=()
  command -v ccache >/dev/null && cc=(ccache)
  # Its default -g makes a 130 MB archive.
  (cd "$work" && PKG_CONFIG_LIBDIR="$WINDOWS_DEPS_SYSROOT/lib/pkgconfig" \
    "$src/configure" --host="$WINDOWS_DEPS_TRIPLET" --prefix="$prefix" \
    CC="${cc[*]} $WINDOWS_DEPS_TRIPLET-gcc-posix" CXX="${cc[*]} $WINDOWS_DEPS_TRIPLET-g++-posix" \
    CFLAGS="-O2 $path_map" CXXFLAGS="-O2 $path_map" --enable-static --disable-shared --with-zlib \
    --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile --without-pulseaudio \
    --without-portaudio --without-portaudiocpp --without-sdl2 --without-sndfile --without-flac \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc)
  nice make -C "$work" -j "$(nproc)"
  make -C "$work" install DESTDIR="$stage"
}

windows_deps_build_libpng1.6() {
  windows_deps_cmake "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$WINDOWS_DEPS_SYSROOT/lib/libz.a" \
    -DZLIB_INCLUDE_DIR="$WINDOWS_DEPS_SYSROOT/include"
}

windows_deps_build_googletest() {
  # Google Test's own threading on Windows is Win32's; its pthread path is for other systems.
  windows_deps_cmake "$src" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON
}

# Pieces the libraries' own installs lack: a static-only zlib (CMake would otherwise turn -lz
# into the sysroot's libz.dll.a) and a glu.pc for MinGW's glu32, as Linux has one.
windows_deps_finish_prefix() {
  local dir=$stage$prefix
  cp "$WINDOWS_DEPS_SYSROOT/lib/libz.a" "$dir/lib/"
  cp "$WINDOWS_DEPS_SYSROOT/include/zlib.h" "$WINDOWS_DEPS_SYSROOT/include/zconf.h" "$dir/include/"
  cat >"$dir/lib/pkgconfig/zlib.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library (static copy of MinGW's)
Version: $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev | sed 's/[+-].*//')
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
  cat >"$dir/lib/pkgconfig/glu.pc" <<EOF
Name: glu
Description: MinGW's OpenGL utility library
Version: 9.0
Libs: -lglu32 -lopengl32
Cflags:
EOF
  find "$dir" -name '*.la' -delete
  rm -rf "$dir/share/doc" "$dir/share/man"
}

# Runs a function of this file in a fresh strict shell: errexit stays in force there even when the
# caller tests the result (bash ignores set -e inside a condition, subshells included).
windows_deps_strict() {
  # shellcheck disable=SC2016
  env -u NIGHTLOOM_WINDOWS_DEPS bash -euo pipefail -c 'source "$1" && shift && "$@"' \
    windows-deps "$WINDOWS_DEPS_SCRIPT" "$@"
}

windows_deps_build_one() {
  local package=$1 version
  version=$(windows_deps_version "$package")
  export src=$build/src/$package work=$build/work/$package
  # __FILE__ in the libraries (gtest_main prints it) names the source, not this build folder.
  export path_map="-ffile-prefix-map=$build/src/="
  mkdir -p "$work" "$build/src"
  dpkg-source --no-check -x "$WINDOWS_DEPS_ROOT/sources/${package}_${version#*:}.dsc" "$src"
  "windows_deps_build_$package"
}

# Builds every library in the build folder, then moves the finished prefix into place: a prefix
# folder exists only when it is complete. The build folder's fixed path lets ccache reuse objects
# when this script changes.
windows_deps_build_all() {
  local key=$1 package started total_started=$SECONDS
  export prefix=$WINDOWS_DEPS_ROOT/$key build=$WINDOWS_DEPS_ROOT/build
  export stage=$build/stage
  local logs=$build/logs
  rm -rf "$build"
  mkdir -p "$stage" "$logs"
  windows_deps_say "building into $prefix (logs in $logs)"
  for package in "${WINDOWS_DEPS_SOURCES[@]}"; do
    local log=$logs/$package.log version
    version=$(windows_deps_version "$package")
    started=$SECONDS
    if ! windows_deps_strict windows_deps_build_one "$package" >"$log" 2>&1; then
      windows_deps_say "$package $version FAILED after $((SECONDS - started)) s; see $log"
      tail -n 20 "$log" >&2
      return 1
    fi
    windows_deps_say "$package $version built in $((SECONDS - started)) s"
  done
  windows_deps_strict windows_deps_finish_prefix || return 1
  mkdir -p "$stage$prefix/logs"
  cp "$logs"/*.log "$stage$prefix/logs/"
  windows_deps_manifest >"$stage$prefix/manifest.txt"
  mv -T "$stage$prefix" "$prefix" || return 1
  rm -rf "$build"
  windows_deps_say "all built in $((SECONDS - total_started)) s, $(du -sh "$prefix" | cut -f1)"
}

# Makes sure the cache for this script, these sources and this compiler exists; sets
# WINDOWS_DEPS_PREFIX. Concurrent callers wait for each other instead of building twice.
windows_deps_ensure() {
  windows_deps_install_packages || return 1
  mkdir -p "$WINDOWS_DEPS_ROOT"
  local key
  key=$(
    exec 9>"$WINDOWS_DEPS_ROOT/lock"
    flock 9
    windows_deps_resolve_sources || exit 1
    key=$(windows_deps_manifest | sha256sum | cut -c1-16)
    if [ ! -d "$WINDOWS_DEPS_ROOT/$key" ]; then
      windows_deps_build_all "$key" >&2 || exit 1
    fi
    echo "$key"
  ) || return 1
  export WINDOWS_DEPS_PREFIX=$WINDOWS_DEPS_ROOT/$key
}

windows_deps_prefix() {
  windows_deps_ensure && echo "$WINDOWS_DEPS_PREFIX"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  windows_deps_prefix
fi
