#!/usr/bin/env bash
# The web build's third-party libraries: SDL2, libmpg123 and KissFFT (float) built with emscripten
# from Debian's source packages, static and without threads, into one prefix cached outside the
# repository under ${NIGHTLOOM_CACHE:-$HOME/.cache/nightloom}/web-deps/<key>. Source it and call
# web_deps_prefix, or run it to fill the cache and print the prefix.
# shellcheck shell=bash

WEB_DEPS_SCRIPT=$(readlink -f "${BASH_SOURCE[0]}")

# emscripten and the headless browser, plus what unpacking Debian's sources and building them takes.
WEB_DEPS_PACKAGES=(
  emscripten chromium xvfb xauth autotools-dev dpkg-dev cmake ninja-build make xz-utils bzip2
  python3 util-linux
)

# Debian source package, then the name its build function and log use. The order is the build order.
WEB_DEPS_SOURCES=(libsdl2:sdl2 mpg123:mpg123 kissfft:kissfft)

# Debian's emscripten is built on its own packaged node modules; a node from elsewhere does not see
# them and emcc stops with "Cannot find module 'acorn'".
WEB_DEPS_NODE_PATH=/usr/share/nodejs

# Private apt lists older than this many minutes are refreshed before the versions are read.
WEB_DEPS_LISTS_MAX_AGE_MIN=1440

_web_deps_say() { echo "nightloom: web deps: $*" >&2; }

_web_deps_root() { echo "${NIGHTLOOM_CACHE:-$HOME/.cache/nightloom}/web-deps"; }

web_deps_install_packages() {
  local installed missing=() package
  installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${WEB_DEPS_PACKAGES[@]}" 2>/dev/null |
    awk '/ install ok installed$/ { print $1 }')
  for package in "${WEB_DEPS_PACKAGES[@]}"; do
    grep -qx "$package" <<<"$installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  _web_deps_say "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
      --no-install-recommends "${missing[@]}"
}

web_deps_env() {
  case ":${NODE_PATH:-}:" in
    *":$WEB_DEPS_NODE_PATH:"*) ;;
    *) export NODE_PATH="$WEB_DEPS_NODE_PATH${NODE_PATH:+:$NODE_PATH}" ;;
  esac
}

# apt-get against the private sources folder DIR: the system's lists, caches and sources stay as
# they are.
_web_deps_apt() {
  local dir=$1
  shift
  local options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dir"
    -o "Dir::State::Lists=$dir/lists" -o "Dir::Cache=$dir/cache")
  # As root apt downloads as _apt, which cannot enter a private folder under /root.
  [ "$(id -u)" -eq 0 ] && options+=(-o APT::Sandbox::User=root)
  apt-get "${options[@]}" "$@"
}

# The machine's own Debian entries, turned into deb-src entries (deb822 or one-line format).
_web_deps_source_entries() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /URIs:[^\n]*debian/ && /Types:[^\n]*deb/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print
         }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk '$1 == "deb" && /debian/ { $1 = "deb-src"; print }' "$file"
  done
}

# Writes the private deb-src entry into DIR and refreshes its lists when missing, stale or written
# for other entries. Without the network, lists that exist are used as they are.
_web_deps_refresh_lists() {
  local dir=$1 entries
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" || return 1
  entries=$(_web_deps_source_entries)
  if [ -z "$entries" ]; then
    _web_deps_say "no Debian entry found in /etc/apt to build a deb-src entry from"
    return 1
  fi
  # deb822 entries need the .sources name, one-line entries the .list name.
  local name=debian-src.list
  grep -q '^Types:' <<<"$entries" && name=debian-src.sources
  if [ "$(cat "$dir/$name" 2>/dev/null)" != "$entries" ]; then
    rm -f "$dir"/debian-src.* "$dir/lists/.stamp"
    printf '%s\n' "$entries" >"$dir/$name"
  fi
  [ -n "$(find "$dir/lists/.stamp" -mmin "-$WEB_DEPS_LISTS_MAX_AGE_MIN" 2>/dev/null)" ] && return 0
  if _web_deps_apt "$dir" -o DPkg::Lock::Timeout=900 update -qq >"$dir/update.log" 2>&1; then
    touch "$dir/lists/.stamp"
  elif [ -e "$dir/lists/.stamp" ]; then
    _web_deps_say "could not refresh the source lists (see $dir/update.log); using the old ones"
  else
    _web_deps_say "could not fetch the source lists (see $dir/update.log)"
    return 1
  fi
}

# Prints the files `apt-get source` would fetch for PACKAGE...: "name size SHA256:sum" per line.
_web_deps_source_files() {
  local apt=$1
  shift
  # Other lines (a notice about the packaging's git repository) may quote words too.
  _web_deps_apt "$apt" source --print-uris "$@" 2>/dev/null | grep "^'" | awk -F"'" '{ print $3 }' |
    awk '{ print $1, $2, $3 }'
}

# Prints "package version" for each source package, the versions apt would fetch (from the .dsc
# names), in one apt run.
_web_deps_source_versions() {
  local apt=$1 dscs entry package version
  dscs=$(_web_deps_source_files "$apt" "${WEB_DEPS_SOURCES[@]%%:*}" |
    awk '$1 ~ /\.dsc$/ { print $1 }')
  for entry in "${WEB_DEPS_SOURCES[@]}"; do
    package=${entry%%:*}
    version=$(grep "^${package}_" <<<"$dscs" | head -n 1)
    if [ -z "$version" ]; then
      _web_deps_say "apt knows no source package $package"
      return 1
    fi
    version=${version%.dsc}
    echo "$package ${version#*_}"
  done
}

# Fetches and unpacks Debian source PACKAGE at VERSION into DEST with its Debian patches applied.
# mpg123's .dsc names an upstream signature the archive does not have, so apt-get source fails
# although everything needed arrived: the files are checked against apt's own list instead.
_web_deps_fetch() {
  local apt=$1 package=$2=$3 work=$4 dest=$5
  local files name sum
  files=$(_web_deps_source_files "$apt" "$package")
  [ -n "$files" ] || return 1
  (cd "$work" && _web_deps_apt "$apt" source --download-only "$package") || true
  while read -r name _ sum; do
    [[ $name == *.asc ]] && continue
    if [ "$(sha256sum <"$work/$name" 2>/dev/null | cut -d' ' -f1)" != "${sum#SHA256:}" ]; then
      echo "missing or damaged: $name" >&2
      return 1
    fi
  done <<<"$files"
  name=$(awk '$1 ~ /\.dsc$/ { print $1; exit }' <<<"$files")
  dpkg-source -x --no-check "$work/$name" "$dest"
}

# Each builder gets: source folder, build folder, install prefix, staging root (DESTDIR).
#
# SDL2 is compiled straight from its sources: its CMake configure runs some 300 checks, each a
# full emcc link, and took 18-20 minutes of a cold build, while SDL's own include/SDL_config.h
# already picks SDL_config_emscripten.h under emcc. The folders are the ones that configuration
# uses (no threads: the generic thread stubs); a file whose feature it leaves off compiles empty.
WEB_DEPS_SDL2_FOLDERS=(
  . atomic audio audio/disk audio/dummy audio/emscripten cpuinfo dynapi events file
  filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten joystick/virtual
  libm loadso/dlopen locale locale/emscripten misc misc/emscripten power power/emscripten render
  render/opengles2 render/software sensor sensor/dummy stdlib thread thread/generic timer
  timer/unix video video/emscripten video/yuv2rgb
)

_web_deps_build_sdl2() {
  local src=$1 build=$2 prefix=$3 stage=$4 folder
  local sources=()
  for folder in "${WEB_DEPS_SDL2_FOLDERS[@]}"; do sources+=("$src/src/$folder"/*.c); done
  sources=("${sources[@]/\/.\//\/}")
  mkdir -p "$build/objects" "$stage$prefix/lib/pkgconfig" "$stage$prefix/include/SDL2" || return 1
  # One object per source, named after its path below src/ (several folders share file names).
  printf '%s\n' "${sources[@]#"$src/src/"}" |
    nice xargs -P "$(nproc)" -I{} sh -c 'emcc -O2 -DNDEBUG -fno-strict-aliasing -fvisibility=hidden \
      -I"$1/include" -idirafter "$1/src/video/khronos" -c "$1/src/$2" \
      -o "$3/objects/$(echo "$2" | tr / _).o"' sdl2 "$src" {} "$build" &&
    emar rcs "$stage$prefix/lib/libSDL2.a" "$build"/objects/*.o &&
    cp "$src"/include/*.h "$stage$prefix/include/SDL2/" &&
    cat >"$stage$prefix/lib/pkgconfig/sdl2.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: sdl2
Description: Simple DirectMedia Layer (emscripten: canvas, events, Web Audio; no threads)
Version: $(sed -n 's/^#define SDL_\(MAJOR\|MINOR\)_VERSION *\([0-9]*\).*/\2/p; s/^#define SDL_PATCHLEVEL *\([0-9]*\).*/\1/p' "$src/include/SDL_version.h" | paste -sd.)
Libs: -L\${libdir} -lSDL2
Cflags: -I\${includedir} -I\${includedir}/SDL2
PC
}

# Only libmpg123 is needed (its install targets bring the small libout123 and libsyn123 along). Its
# own CMake port would pick x86 assembly (emscripten reports an x86 processor), so the autotools
# build with the generic float decoder is used. Its config.sub predates emscripten's host triplet:
# autotools-dev's current one replaces it.
_web_deps_build_mpg123() {
  local src=$1 build=$2 prefix=$3 stage=$4
  cp /usr/share/misc/config.sub /usr/share/misc/config.guess "$src/build/" &&
    mkdir -p "$build" &&
    (cd "$build" && nice emconfigure "$src/configure" --host=wasm32-unknown-emscripten \
      --prefix="$prefix" --enable-static --disable-shared --with-cpu=generic_fpu \
      --disable-modules --disable-network --disable-ipv6 --with-audio=dummy \
      --with-default-audio=dummy CFLAGS=-O2) &&
    nice make -C "$build" -j "$(nproc)" src/libmpg123/libmpg123.la &&
    make -C "$build" DESTDIR="$stage" install-libLTLIBRARIES install-includeHEADERS \
      install-nodist_includeHEADERS install-pkgconfigDATA &&
    rm -f "$stage$prefix"/lib/*.la
}

_web_deps_build_kissfft() {
  local src=$1 build=$2 prefix=$3 stage=$4
  nice emcmake cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
    -DKISSFFT_OPENMP=OFF -DKISSFFT_PKGCONFIG=ON &&
    nice cmake --build "$build" -j "$(nproc)" &&
    DESTDIR=$stage cmake --install "$build"
}

# Prints the cache key from VERSIONS (as _web_deps_source_versions prints them), the emcc version
# and a hash of this file's code (its comment lines left out, so rewording them keeps the cache).
_web_deps_key() {
  local versions=$1 entry version key=""
  for entry in "${WEB_DEPS_SOURCES[@]}"; do
    key+="${entry#*:}-$(awk -v p="${entry%%:*}" '$1 == p { print $2 }' <<<"$versions")_"
  done
  version=$(emcc -dumpversion 2>/dev/null) || {
    _web_deps_say "emcc does not run (NODE_PATH=$NODE_PATH)"
    return 1
  }
  key+="emcc-${version}_$(grep -v '^[[:space:]]*#' "$WEB_DEPS_SCRIPT" | sha256sum | cut -c1-12)"
  echo "${key//\~/-}"
}

# Fetches and builds every library into a staging folder under a temporary folder beside the cache
# entry, then moves the finished prefix into place, so an interrupted build leaves no entry.
_web_deps_build_all() {
  local root=$1 apt=$2 key=$3 versions=$4
  local final=$root/$key logs=$root/logs/$key tmp entry package name version started spent
  mkdir -p "$logs" || return 1
  tmp=$(mktemp -d "$root/.build.XXXXXX") || return 1
  # shellcheck disable=SC2064 # the folder is fixed now
  trap "rm -rf '$tmp'" EXIT
  mkdir -p "$tmp/src" "$tmp/build"
  for entry in "${WEB_DEPS_SOURCES[@]}"; do
    package=${entry%%:*} name=${entry#*:}
    version=$(awk -v p="$package" '$1 == p { print $2 }' <<<"$versions")
    started=$(date +%s.%N)
    local TIMEFORMAT='%U %S'
    if ! { time {
      _web_deps_fetch "$apt" "$package" "$version" "$tmp/src" "$tmp/src/$name" &&
        "_web_deps_build_$name" "$tmp/src/$name" "$tmp/build/$name" "$final" "$tmp/stage"
    } >"$logs/$name.log" 2>&1; } 2>"$tmp/$name.time"; then
      _web_deps_say "$name $version failed; the last lines of $logs/$name.log:"
      tail -n 25 "$logs/$name.log" >&2
      return 1
    fi
    spent=$(awk -v s="$started" -v e="$(date +%s.%N)" \
      'NR == 1 { printf "%.0f s (CPU %.0f s)", e - s, $1 + $2 }' "$tmp/$name.time")
    _web_deps_say "$name $version built in $spent, log: $logs/$name.log"
  done
  printf 'key %s\nbuilt %s by %s\n' "$key" "$(date -u +%FT%TZ)" "$WEB_DEPS_SCRIPT" \
    >"$tmp/stage$final/web-deps.txt" &&
    rm -rf "$final" &&
    mv "$tmp/stage$final" "$final"
}

# Ensures the cache entry for this machine's sources, emcc and script exists and prints its prefix.
# Called directly (not in $(...)) it also sets WEB_DEPS_PREFIX and NODE_PATH in the calling shell.
web_deps_prefix() {
  web_deps_install_packages || return 1
  web_deps_env
  local root apt versions key
  root=$(_web_deps_root)
  apt=$root/apt
  mkdir -p "$root" || return 1
  _web_deps_refresh_lists "$apt" || return 1
  versions=$(_web_deps_source_versions "$apt") || return 1
  key=$(_web_deps_key "$versions") || return 1
  if [ ! -f "$root/$key/web-deps.txt" ]; then
    # One build at a time; whoever waited finds the entry made and stops there.
    (
      flock 9 || exit 1
      [ -f "$root/$key/web-deps.txt" ] && exit 0
      rm -rf "$root"/.build.*
      _web_deps_say "building $key (about 10 minutes on two cores)"
      _web_deps_build_all "$root" "$apt" "$key" "$versions"
    ) 9>"$root/.lock" || return 1
  fi
  WEB_DEPS_PREFIX=$root/$key
  echo "$WEB_DEPS_PREFIX"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  web_deps_prefix >/dev/null || exit 1
  echo "$WEB_DEPS_PREFIX"
fi
