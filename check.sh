#!/usr/bin/env bash
# Builds and runs every test: once in a plain build, whose install tree and packages are then
# checked too, once under AddressSanitizer and UndefinedBehaviorSanitizer, and once as Windows .exe
# files under Wine (scripts/check-windows.sh). GL tests run on a headless Mesa context; the
# setup-dialog tests run under Xvfb.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NIGHTLOOM_ROOT/scripts/common.sh"

install_packages

run_tests() {
  local dir=$1
  # The GTK tests need an X display; xvfb-run gives them one.
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -LE display
  xvfb-run -a ctest --test-dir "$dir" --output-on-failure -L display
}

build_tree "$NIGHTLOOM_ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tests "$NIGHTLOOM_ROOT/build-test"
"$NIGHTLOOM_ROOT/scripts/check-install.sh" "$NIGHTLOOM_ROOT/build-test"

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$NIGHTLOOM_ROOT/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_tree "$NIGHTLOOM_ROOT/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DNIGHTLOOM_SANITIZE=ON
run_tests "$NIGHTLOOM_ROOT/build-sanitize"
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

# The Windows .exe, cross-built and tested under Wine, compared with the plain Linux build.
"$NIGHTLOOM_ROOT/scripts/check-windows.sh" "$NIGHTLOOM_ROOT/build-test"
echo "nightloom: every test passed, plain, under the sanitizers and on Windows (Wine)"
