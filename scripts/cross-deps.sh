# The one builder of the libraries the cross builds link: Debian's source packages fetched through
# a private deb-src apt setup (the system's apt configuration stays untouched), checked against
# their .dsc, unpacked with Debian's patches, built by the target's recipe into a staging folder
# and moved into place as one prefix in a cache outside the clone, keyed by everything the build
# depends on. A recipe (scripts/windows-deps.sh, scripts/web-deps.sh) sets DEPS_TARGET,
# DEPS_GROUPS (its package groups) and DEPS_SOURCES (Debian source packages in build order),
# defines deps_toolchain (the toolchain's facts for the key) and deps_build_<package> for each
# source, optionally deps_environment and deps_finish, and ends with cross_deps_main, which prints
# the prefix. Concurrent callers wait for each other instead of building twice.
# shellcheck shell=bash

CROSS_DEPS_SCRIPT=$(readlink -f "${BASH_SOURCE[0]}")
# shellcheck source=scripts/common.sh
source "$(dirname "$CROSS_DEPS_SCRIPT")/common.sh"

# The private source lists are read again after this many days, so that a Debian update of one of
# the source packages gives a new key.
CROSS_DEPS_REFRESH_DAYS=7

cross_deps_root() { echo "${NIGHTLOOM_CACHE:-$HOME/.cache/nightloom}/$DEPS_TARGET-deps"; }

# The machine's own Debian entries (deb822 .sources or one-line .list) as deb-src entries in DIR;
# entries marked "Enabled: no" stay off.
cross_deps_write_sources() {
  local dir=$1
  shopt -s nullglob
  local deb822=(/etc/apt/sources.list.d/*.sources) oneline=(/etc/apt/sources.list.d/*.list)
  shopt -u nullglob
  [ -f /etc/apt/sources.list ] && oneline+=(/etc/apt/sources.list)
  : >"$dir/debian-src.sources"
  : >"$dir/debian-src.list"
  if [ ${#deb822[@]} -gt 0 ]; then
    awk -v RS= '
      /(^|\n)Types:[^\n]*deb/ && /debian-archive-keyring|\/debian/ && !/Enabled: *no/ {
        n = split($0, lines, "\n"); out = "Types: deb-src\n"
        for (i = 1; i <= n; i++)
          if (lines[i] ~ /^(URIs|Suites|Components|Signed-By):/) out = out lines[i] "\n"
        printf "%s\n", out
      }' "${deb822[@]}" >"$dir/debian-src.sources"
  fi
  if [ ${#oneline[@]} -gt 0 ]; then
    sed -n 's/^deb \(.*\/debian\(-security\)\?\/\? .*\)/deb-src \1/p' "${oneline[@]}" \
      >"$dir/debian-src.list"
  fi
  [ -s "$dir/debian-src.sources" ] || [ -s "$dir/debian-src.list" ] ||
    fail "no Debian entry in /etc/apt to take the source packages from"
}

# apt against the private sources folder.
cross_deps_apt() {
  local tool=$1 dir
  dir=$(cross_deps_root)/apt
  shift
  local options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$dir"
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache="$dir/cache")
  # apt's download user cannot write into a folder under root's home.
  [ "$(id -u)" -eq 0 ] && options+=(-o APT::Sandbox::User=root)
  "$tool" "${options[@]}" "$@"
}

# True when the .dsc and every file it lists (bar upstream signatures, which the archive may lack:
# mpg123's) are in the sources folder with the right checksums.
cross_deps_source_complete() {
  local dsc=$1
  [ -f "$dsc" ] || return 1
  (cd "$(dirname "$dsc")" &&
    sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$(basename "$dsc")" |
    awk '$3 !~ /\.asc$/ { print $1 "  " $3 }' | sha256sum --quiet -c - >/dev/null 2>&1)
}

# Downloads the newest version of source PACKAGE that the archive really serves (a mirror may list
# a version whose files it lacks) and prints the version.
cross_deps_fetch() {
  local package=$1 sources version newest=""
  sources=$(cross_deps_root)/sources
  for version in $(cross_deps_apt apt-cache showsrc "$package" | sed -n 's/^Version: //p' |
    sort -uVr); do
    newest=${newest:-$version}
    local dsc="$sources/${package}_${version#*:}.dsc"
    # apt-get source exits non-zero over a missing upstream signature although every file
    # arrived: the checksums decide.
    cross_deps_source_complete "$dsc" ||
      (cd "$sources" && cross_deps_apt apt-get source --download-only -qq "$package=$version" \
        >/dev/null 2>&1) || true
    if cross_deps_source_complete "$dsc"; then
      [ "$version" = "$newest" ] || say "$package $newest is listed but not served; using $version"
      echo "$version"
      return 0
    fi
  done
  fail "no downloadable source package for $package"
}

# Writes sources/versions ("package version" a line) when it is missing, older than the refresh
# period, or NIGHTLOOM_DEPS_REFRESH=1. Offline, an existing list is kept.
cross_deps_resolve_sources() {
  local root apt sources list
  root=$(cross_deps_root)
  apt=$root/apt sources=$root/sources list=$root/sources/versions
  if [ -f "$list" ] && [ "${NIGHTLOOM_DEPS_REFRESH:-0}" != 1 ] &&
    [ -z "$(find "$list" -mtime +"$CROSS_DEPS_REFRESH_DAYS")" ]; then
    return 0
  fi
  step "fetching the source packages ${DEPS_SOURCES[*]}"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$sources"
  cross_deps_write_sources "$apt"
  if ! cross_deps_apt apt-get update -qq >"$apt/update.log" 2>&1; then
    [ -f "$list" ] || { step "$NIGHTLOOM_STEP" "$apt/update.log" && fail "cannot read Debian's source lists"; }
    say "cannot reach Debian's archive; keeping the source versions of $(date -r "$list" +%F)"
    return 0
  fi
  local lines="" package
  for package in "${DEPS_SOURCES[@]}"; do
    lines+="$package $(cross_deps_fetch "$package")"$'\n'
  done
  printf '%s' "$lines" >"$list.new"
  mv "$list.new" "$list"
}

cross_deps_version() { awk -v p="$1" '$1 == p { print $2 }' "$(cross_deps_root)/sources/versions"; }

# Code lines only: rewording a comment keeps the cache.
cross_deps_code_hash() { grep -hv '^[[:space:]]*#' "$@" | sha256sum | cut -c1-16; }

# Everything a build depends on, one fact a line; the cache key is its hash.
cross_deps_manifest() {
  cat "$(cross_deps_root)/sources/versions"
  deps_toolchain
  echo "recipe $(cross_deps_code_hash "$DEPS_RECIPE")"
  # Of the builder, only the step that unpacks and hands a source to the recipe shapes the result.
  echo "builder $(declare -f cross_deps_build_one | sha256sum | cut -c1-16)"
}

# Runs a function of the recipe in a fresh strict shell with its own failure mark: errexit stays
# in force there even though the caller tests the result (bash ignores set -e inside a condition).
cross_deps_strict() {
  # shellcheck disable=SC2016
  NIGHTLOOM_FAILURE_MARK="" bash -euo pipefail -c 'source "$1" && shift && "$@"' \
    cross-deps "$DEPS_RECIPE" "$@"
}

# One library, in the strict shell: $src (the unpacked source), $work (its build folder), $prefix
# (where the libraries will live), $stage (the DESTDIR) and $path_map are set for the recipe.
cross_deps_build_one() {
  local package=$1 version
  version=$(cross_deps_version "$package")
  step "building $package $version" "$CROSS_DEPS_LOG"
  export src=$build/src/$package work=$build/work/$package
  # __FILE__ in the libraries names the source, not this build folder.
  export path_map="-ffile-prefix-map=$build/src/="
  mkdir -p "$work" "$build/src"
  dpkg-source --no-check -x "$(cross_deps_root)/sources/${package}_${version#*:}.dsc" "$src"
  "deps_build_$package"
}

# Builds every library in the build folder, then moves the finished prefix into place: a prefix
# folder exists only when it is complete. The build folder's fixed path lets ccache reuse objects
# when a recipe changes.
cross_deps_build_all() {
  local key=$1 root package started total_started=$SECONDS
  root=$(cross_deps_root)
  export prefix=$root/$key build=$root/build
  export stage=$build/stage
  local logs=$build/logs
  rm -rf "$build"
  mkdir -p "$stage" "$logs"
  say "$DEPS_TARGET libraries: building into $prefix (logs in $logs)"
  for package in "${DEPS_SOURCES[@]}"; do
    export CROSS_DEPS_LOG=$logs/$package.log
    started=$SECONDS
    cross_deps_strict cross_deps_build_one "$package" >"$CROSS_DEPS_LOG" 2>&1 ||
      relay_failure "$CROSS_DEPS_LOG"
    say "$DEPS_TARGET libraries: $package $(cross_deps_version "$package") built in" \
      "$((SECONDS - started)) s"
  done
  if declare -F deps_finish >/dev/null; then
    export CROSS_DEPS_LOG=$logs/finish.log
    cross_deps_strict deps_finish >"$CROSS_DEPS_LOG" 2>&1 || relay_failure "$CROSS_DEPS_LOG"
  fi
  mkdir -p "$stage$prefix/logs"
  cp "$logs"/*.log "$stage$prefix/logs/"
  cross_deps_manifest >"$stage$prefix/manifest.txt"
  mv -T "$stage$prefix" "$prefix"
  rm -rf "$build"
  say "$DEPS_TARGET libraries: all built in $((SECONDS - total_started)) s," \
    "$(du -sh "$prefix" | cut -f1)"
}

# Makes sure the prefix for these sources, this toolchain and these scripts exists and prints it.
cross_deps_main() {
  DEPS_RECIPE=$(readlink -f "${BASH_SOURCE[1]}")
  step "installing the $DEPS_TARGET packages"
  install_packages "${DEPS_GROUPS[@]}"
  declare -F deps_environment >/dev/null && deps_environment
  local root key
  root=$(cross_deps_root)
  mkdir -p "$root"
  step "waiting for another build of the $DEPS_TARGET libraries" "$root/lock"
  exec 9>"$root/lock"
  flock 9
  cross_deps_resolve_sources
  step "working out the $DEPS_TARGET libraries' cache key"
  key=$(cross_deps_manifest | sha256sum | cut -c1-16)
  [ -d "$root/$key" ] || cross_deps_build_all "$key"
  exec 9>&-
  echo "$root/$key"
}
