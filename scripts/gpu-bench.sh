#!/usr/bin/env bash
# The benchmark on a machine with a graphics card, in one short command: builds the release tree
# (build/, as play.sh does), says which renderer the off-screen context got, and runs --bench at
# 1920x1080 and 3840x2160. The project never needs it; it is for taking the figures when such a
# machine is at hand. A renderer that draws on the processor (llvmpipe) is named as such: the
# figures are then the ones the README gives, and the 3840x2160 run takes many minutes.
#   scripts/gpu-bench.sh [EXTRA --bench OPTIONS...]
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
cd "$NIGHTLOOM_ROOT"

step "installing the packages"
install_packages show
step "building the release tree"
cmake --preset release >/dev/null
cmake --build --preset release
step "asking for the renderer"
renderer=$(build/nightloom --bench --size 64x36 --fps 1 2>/dev/null | sed -n 's/^nightloom benchmark: [^,]*, [^,]*, [^,]*, //p')
say "renderer: ${renderer:-unknown}"
case "$renderer" in
  *llvmpipe* | *softpipe* | *SwiftShader*) say "that renderer draws on the processor, not a graphics card" ;;
esac
for size in 1920x1080 3840x2160; do
  step "the benchmark at $size"
  build/nightloom --bench --size "$size" "$@"
done
