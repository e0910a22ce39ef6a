#!/usr/bin/env bash
# Checks that no two units include each other, then builds and runs every test: once in a plain
# build, whose install tree and packages are then checked too, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the tests that start the show's threads once more under
# ThreadSanitizer, the picture reader's fuzzer for a minute, then as Windows .exe files under Wine
# (scripts/check-windows.sh) and last as the web build in headless Chromium (scripts/check-web.sh).
# GL tests run on a headless Mesa context; the setup-dialog tests run under Xvfb. Each stage says
# how long it took.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NIGHTLOOM_ROOT/scripts/common.sh"

install_packages "${NIGHTLOOM_CHECK_PACKAGES[@]}"

stage_started=$SECONDS
stage_done() {
  echo "nightloom: $1 passed in $((SECONDS - stage_started)) s"
  stage_started=$SECONDS
}

# No two units (a header and its sources) may include each other, directly or round a loop.
python3 "$NIGHTLOOM_ROOT/scripts/layer_check.py" "$NIGHTLOOM_ROOT"

# The Windows and web stages need libraries cross-built once into a cache outside the clone (about
# half an hour of processor time on a machine that has none yet, seconds after that). They build
# now at the lowest priority, beside the Linux stages, whose tests often leave the processors idle
# while they wait on real time; the Windows stage waits for them. A run that fails before then
# leaves them building: they finish into the cache for the next run. Their system packages (the
# cross compiler, Wine, emscripten, Chromium) are installed first, here, so that no package is
# installed while the Linux stages read the package database.
source "$NIGHTLOOM_ROOT/scripts/windows-deps.sh"
source "$NIGHTLOOM_ROOT/scripts/web-deps.sh"
windows_deps_install_packages
web_deps_install_packages
deps_log=$(mktemp "${TMPDIR:-/tmp}/nightloom-deps.XXXXXX")
(nice -n 19 "$NIGHTLOOM_ROOT/scripts/windows-deps.sh" &&
  nice -n 19 "$NIGHTLOOM_ROOT/scripts/web-deps.sh") >"$deps_log" 2>&1 &
deps_job=$!

run_tests() {
  local dir=$1
  # The GTK tests need an X display; xvfb-run gives them one.
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" -LE display
  xvfb-run -a ctest --test-dir "$dir" --output-on-failure -L display
}

build_tree "$NIGHTLOOM_ROOT/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tests "$NIGHTLOOM_ROOT/build-test"
"$NIGHTLOOM_ROOT/scripts/check-install.sh" "$NIGHTLOOM_ROOT/build-test"
stage_done "the plain build"

export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$NIGHTLOOM_ROOT/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_tree "$NIGHTLOOM_ROOT/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DNIGHTLOOM_SANITIZE=ON
run_tests "$NIGHTLOOM_ROOT/build-sanitize"
stage_done "AddressSanitizer and UBSan"

# Only the tests labelled "threads" (the 1 ms timer, SDL's audio output on its disk driver, short
# captures of the built executable) and what they need are built here. The suppressions cover
# races inside Mesa's own rasterizer threads only; tests/sanitizer/tsan.supp says why.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$NIGHTLOOM_ROOT/tests/sanitizer/tsan.supp"
build_targets "$NIGHTLOOM_ROOT/build-tsan" nightloom_thread_tests -- \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIGHTLOOM_SANITIZE_THREAD=ON
ctest --test-dir "$NIGHTLOOM_ROOT/build-tsan" --output-on-failure -j "$(nproc)" -L threads
stage_done "ThreadSanitizer"

# libFuzzer on the .p reader for 60 s from the seed pictures, in a clang tree that builds nothing
# else; a crash, an input that takes 10 s or undefined behaviour fails the run, and the input that
# did it is kept in build-fuzz/. New inputs it finds go to a fresh corpus folder in the tree, so
# every run starts from the seeds alone.
CC=clang CXX=clang++ build_targets "$NIGHTLOOM_ROOT/build-fuzz" packed_image_fuzz -- \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIGHTLOOM_FUZZ=ON
corpus="$NIGHTLOOM_ROOT/build-fuzz/tests/fuzz/corpus"
fuzz_log="$NIGHTLOOM_ROOT/build-fuzz/fuzz.log"
rm -rf "$corpus" && mkdir -p "$corpus"
if ! "$NIGHTLOOM_ROOT/build-fuzz/tests/fuzz/packed_image_fuzz" -max_total_time=60 -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$NIGHTLOOM_ROOT/build-fuzz/" \
  "$corpus" "$NIGHTLOOM_ROOT/tests/fuzz/seeds" > "$fuzz_log" 2>&1; then
  tail -n 60 "$fuzz_log"
  echo "nightloom: the fuzzer found a fault in the picture reader; its input is in build-fuzz/"
  exit 1
fi
grep -E '^(Done|stat::new_units_added)' "$fuzz_log"
stage_done "the fuzzer"
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS

if ! wait "$deps_job"; then
  tail -n 40 "$deps_log"
  echo "nightloom: the Windows and web libraries could not be built; the whole log is $deps_log"
  exit 1
fi
rm -f "$deps_log"
echo "nightloom: the Windows and web libraries were ready $((SECONDS - stage_started)) s later"
stage_started=$SECONDS

# The Windows .exe, cross-built and tested under Wine, its still compared with the plain Linux
# build's.
"$NIGHTLOOM_ROOT/scripts/check-windows.sh" "$NIGHTLOOM_ROOT/build-test"
stage_done "the Windows build"

# The web build from the same sources, in headless Chromium: its stills against the plain build's,
# and a real-time run with music and beats (scripts/check-web.sh). The emscripten libraries are
# cached outside the repository; a machine without them builds them first (about 7 minutes).
"$NIGHTLOOM_ROOT/scripts/check-web.sh" "$NIGHTLOOM_ROOT/build-test"
stage_done "the web build"
echo "nightloom: every test passed: plain, sanitizers, fuzzer, Windows (Wine) and the browser"
