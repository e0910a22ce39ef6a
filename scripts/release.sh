#!/usr/bin/env bash
# Builds every artefact of the version in CMakeLists.txt from the checked-out commit into dist/:
#   nightloom_<version>_amd64.deb and nightloom-<version>-Linux.tar.gz  (the "release" preset, CPack)
#   nightloom-<version>-windows.zip   (scripts/windows-build.sh: the "windows" preset, CPack's ZIP)
#   nightloom-<version>-web.zip       (scripts/web-build.sh: the site folder, zipped)
#   nightloom-<version>-source.tar.gz (git archive of the commit: the complete source, which the
#                                      notices point to for relinking the static LGPL library)
# and SHA256SUMS over them. Every time stamp inside is the commit's (SOURCE_DATE_EPOCH), so two
# builds of one commit on one machine give the same bytes; a tree with uncommitted changes is
# refused, since what it would build is no commit's.
#   scripts/release.sh
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
cd "$NIGHTLOOM_ROOT"
started=$SECONDS

step "reading the version and the commit"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  fail "the tree has uncommitted changes; a release is built from a commit"
version=$(sed -n 's/^project(nightloom VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project() line"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
commit=$(git rev-parse --short HEAD)

step "installing the packages"
install_packages show windows web sources

step "the .deb and the .tar.gz"
cmake --workflow --preset release

step "the Windows zip"
scripts/windows-build.sh

step "the web site"
scripts/web-build.sh build
step "zipping the web site"
web_zip=$NIGHTLOOM_ROOT/build-web-cmake/nightloom-$version-web.zip
rm -f "$web_zip"
find build-web -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd build-web && find . -type f | sed 's|^\./||' | LC_ALL=C sort >../build-web-cmake/site-files &&
  cmake -E tar cf "$web_zip" --format=zip \
    --files-from=../build-web-cmake/site-files)

step "filling dist/"
rm -rf dist
mkdir dist
cp "build/nightloom_${version}_amd64.deb" "build/nightloom-$version-Linux.tar.gz" \
  "build-windows/nightloom-$version-windows.zip" "$web_zip" dist/
git archive --format=tar.gz --prefix="nightloom-$version/" -o "dist/nightloom-$version-source.tar.gz" \
  HEAD
(cd dist && sha256sum -- * >SHA256SUMS)
say "release $version ($commit) in $NIGHTLOOM_ROOT/dist, built in $((SECONDS - started)) s:"
sed 's/^/  /' dist/SHA256SUMS >&2
