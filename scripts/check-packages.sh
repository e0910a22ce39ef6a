#!/usr/bin/env bash
# Keeps the promise that the scripts install everything a build uses on a fresh Debian 12, on a
# machine that may already hold every package: each name in scripts/packages.txt must be one apt
# knows, and every system file the plain build read must come from a package that the "show" and
# "test" groups install or that those depend on. Checked: the system headers the objects include
# (ninja's dependency log), the shared libraries the programs load, and the fonts the data
# generator letters with (its own table). A file found only because some other program brought
# its package would stop the build on a new user's machine.
#   scripts/check-packages.sh [BUILD_TREE]   (default build-test/)
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
tree=$(realpath -m "${1:-$NIGHTLOOM_ROOT/build-test}")

step "looking up every package of scripts/packages.txt"
groups=$(sed -n 's/^\[\(.*\)\]$/\1/p' "$NIGHTLOOM_ROOT/scripts/packages.txt")
# shellcheck disable=SC2086 # one word a group
mapfile -t all < <(nightloom_packages $groups)
unknown=$(apt-cache policy "${all[@]}" 2>/dev/null |
  awk '/^[^ ]/ { name = $1; sub(/:$/, "", name) } /Candidate: \(none\)/ { print name }')
known=$(apt-cache policy "${all[@]}" 2>/dev/null | grep -c '^[^ ]' || true)
if [ -n "$unknown" ] || [ "$known" -ne "${#all[@]}" ]; then
  fail "apt offers no package named $(comm -23 <(printf '%s\n' "${all[@]}" | sort) \
    <(apt-cache policy "${all[@]}" 2>/dev/null | sed -n 's/^\([^ ].*\):$/\1/p' | sort) |
    tr '\n' ' ')$unknown (scripts/packages.txt)"
fi

step "working out what the show and test groups bring"
mapfile -t listed < <(nightloom_packages show test)
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${listed[@]}" 2>/dev/null | grep -v '^ ' | tr -d '<>' | sort -u)

step "finding the system files the build in $tree read"
files=$(
  ninja -C "$tree" -t deps | awk '$1 ~ /^\/usr\// { print $1 }'
  for program in "$tree/nightloom" "$tree/tools/datagen/nightloom-datagen"; do
    ldd "$program" | awk '$3 ~ /^\// { print $3 }'
  done
  grep -ohE '"DejaVu[A-Za-z-]+\.ttf"' "$NIGHTLOOM_ROOT/tools/datagen/pictures.cpp" | tr -d '"' |
    sed 's|^|/usr/share/fonts/truetype/dejavu/|'
)
files=$(sort -u <<<"$files")

# dpkg knows a file by the path its package ships; on a merged /usr that may be /lib/... for a file
# the build found as /usr/lib/..., or the target of a link. Each file is asked in each form until
# one is known; "package[:arch][, other]: path" lines name the first package.
owners=""
left=$files
for form in same real unmerged; do
  [ -n "$left" ] || break
  asked=$(while read -r file; do
    case $form in
      same) echo "$file $file" ;;
      real) echo "$file $(realpath "$file")" ;;
      unmerged) echo "$file ${file#/usr}" ;;
    esac
  done <<<"$left")
  mapfile -t names < <(cut -d' ' -f2 <<<"$asked")
  found=$(dpkg-query -S "${names[@]}" 2>/dev/null |
    sed -n 's/^\([^:,]*\)[^ ]*: \(\/.*\)$/\1 \2/p' || true)
  owners+=$(awk 'NR == FNR { owner[$2] = $1; next } ($2 in owner) { print owner[$2], $1 }' \
    <(echo "$found") <(echo "$asked"))$'\n'
  left=$(awk 'NR == FNR { owner[$2] = $1; next } !($2 in owner) { print $1 }' \
    <(echo "$found") <(echo "$asked"))
done
[ -z "$left" ] || owners+=$(awk '{ print "(no-package)", $1 }' <<<"$left")
owners=$(grep -v '^$' <<<"$owners" || true)
strays=$(awk 'NR == FNR { have[$1] = 1; next } !($1 in have) { print }' <(echo "$closure") \
  <(echo "$owners") | sort -u -k1,1)
[ -z "$strays" ] || fail "the build read files from packages that scripts/packages.txt does not" \
  "bring (package, one of its files):
$strays"
say "check-packages: $(wc -l <<<"$files") system files the build read come from the" \
  "${#listed[@]} listed packages and what they depend on; all ${#all[@]} names are apt's"
