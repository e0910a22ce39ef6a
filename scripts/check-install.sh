#!/usr/bin/env bash
# Checks what a user installs, from a built tree (default build-test/): `cmake --install` with
# DESTDIR into a scratch folder, the installed show run from an empty working directory and again
# after the whole tree has moved, the desktop entry and the manual page validated, and the .deb and
# .tar.gz that CPack makes looked into. Nothing is installed system-wide; the scratch folder goes.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
BUILD=$(cd "${1:-$NIGHTLOOM_ROOT/build-test}" && pwd)
started=$SECONDS

# Canonical, since the show names its data folder from the kernel's link to the executable.
scratch=$(cd "$(mktemp -d "${TMPDIR:-/tmp}/nightloom-install.XXXXXX")" && pwd -P)
on_exit rm -rf "$scratch"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $BUILD/CMakeCache.txt"

# Every file of the install tree, relative to the prefix, sorted.
expected_tree() {
  local name size
  echo bin/nightloom
  for name in $(show_data_files); do
    echo "share/nightloom/Data/$name"
  done
  echo share/applications/nightloom.desktop
  for size in 48 128 256; do
    echo "share/icons/hicolor/${size}x${size}/apps/nightloom.png"
  done
  echo share/man/man6/nightloom.6.gz
  for name in THIRD_PARTY.md changelog.gz copyright; do
    echo "share/doc/nightloom/$name"
  done
}
expected=$(expected_tree | LC_ALL=C sort)

# run_still PREFIX NAME: the still at 6 s (the title) from PREFIX/bin/nightloom, run in a new
# empty working directory; it must say it reads PREFIX's installed data, warn of nothing, and draw
# exactly the picture the build tree's own executable draws.
run_still() {
  local prefix=$1 name=$2 here
  here=$(mktemp -d "$scratch/cwd.XXXXXX")
  (cd "$here" && "$prefix/bin/nightloom" --still 6000 still.png --size 320x180) 2>"$here.log" ||
    fail "$name: --still exited with $?: $(cat "$here.log")"
  local said="nightloom: no Data/ folder in the working directory; reading the data from"
  grep -qxF "$said $prefix/share/nightloom/Data" "$here.log" ||
    fail "$name: data not read from the prefix: $(cat "$here.log")"
  ! grep -q warning "$here.log" || fail "$name: $(cat "$here.log")"
  cmp -s "$here/still.png" "$scratch/reference.png" ||
    fail "$name: the still differs from the build's"
  echo "check-install: $name: the still from $prefix/bin/nightloom matches the build's"
}

step "installing $BUILD into a scratch prefix"
DESTDIR="$scratch/stage" cmake --install "$BUILD" --prefix /usr >/dev/null
prefix="$scratch/stage/usr"
tree=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$tree" = "$expected" ] || fail "install tree differs:
$(diff <(echo "$expected") <(echo "$tree"))"
for size in 48 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/nightloom.png" |
    grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
    fail "the $size px icon is not a $size px RGBA PNG"
done

said=$("$prefix/bin/nightloom" --version)
[ "$said" = "nightloom $version" ] || fail "--version says \"$said\", not \"nightloom $version\""
step "running the installed show"
(cd "$scratch" && "$BUILD/nightloom" --still 6000 reference.png --size 320x180 2>/dev/null) ||
  fail "the build's executable cannot draw the reference still"
run_still "$prefix" "installed"
mkdir -p "$scratch/moved/opt"
mv "$prefix" "$scratch/moved/opt/nightloom"
prefix="$scratch/moved/opt/nightloom"
run_still "$prefix" "moved"

step "validating the desktop entry and the manual page"
desktop-file-validate "$prefix/share/applications/nightloom.desktop" ||
  fail "desktop-file-validate rejects the desktop entry"
warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man6/nightloom.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page renders with warnings:
$warnings"
echo "check-install: the desktop entry and the manual page are clean"

step "building the .deb and the .tar.gz"
cpack --config "$BUILD/CPackConfig.cmake" -B "$scratch/packages" >"$scratch/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$scratch/cpack.log")"
deb="$scratch/packages/nightloom_${version}_amd64.deb"
tgz="$scratch/packages/nightloom-${version}-Linux.tar.gz"
if [ ! -f "$deb" ] || [ ! -f "$tgz" ]; then fail "cpack made $(ls "$scratch/packages")"; fi

info=$(dpkg-deb --info "$deb")
depends=$(sed -n 's/^ Depends: //p' <<<"$info")
for library in libsdl2-2.0-0 libgtk-3-0 libmpg123-0 libopenmpt0 libopengl0 libegl1 libglu1-mesa \
  libgl1; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -qx " Suggests: ffmpeg" <<<"$info" || fail "the .deb does not suggest ffmpeg"
deb_tree=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' |
  LC_ALL=C sort)
[ "$deb_tree" = "$expected" ] || fail "the .deb's files differ:
$(diff <(echo "$expected") <(echo "$deb_tree"))"
tgz_tree=$(tar -tzf "$tgz" | grep -v '/$' | sed "s|^nightloom-${version}-Linux/||" | LC_ALL=C sort)
[ "$tgz_tree" = "$expected" ] || fail "the .tar.gz's files differ:
$(diff <(echo "$expected") <(echo "$tgz_tree"))"
echo "check-install: nightloom_${version}_amd64.deb depends on: $depends"

# Debian's own checks of the package: no error and no warning; what lintian still says at its
# informational level is printed.
said=$(lintian --pedantic --display-level ">=pedantic" "$deb" 2>&1 |
  grep -v "^running with root privileges" || true)
! grep -q "^[EW]:" <<<"$said" || fail "lintian: $said"
echo "check-install: lintian finds no error or warning${said:+; it notes:
$said}"
echo "check-install: every check passed in $((SECONDS - started)) s"
