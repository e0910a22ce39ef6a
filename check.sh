#!/usr/bin/env bash
# Builds and runs every test, installing first whatever Debian packages are missing
# (scripts/packages.txt): the layer check, shellcheck and clang-format, then the plain build
# (build-test/, whose install tree and packages are checked too, and whose show with
# --reduce-flashing must pass the flash analyser), a Makefiles tree without tests that must build
# and install (build-make/), AddressSanitizer + UBSan (build-sanitize/), the
# threaded tests under ThreadSanitizer (build-tsan/), the picture reader's fuzzer for a minute
# (build-fuzz/), the Windows .exe under Wine (scripts/check-windows.sh) and the web build in
# headless Chromium (scripts/check-web.sh). Each tree is a CMake preset (CMakePresets.json); each
# stage says how long it took. A failure ends the run with one line naming the step and command.
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
cd "$NIGHTLOOM_ROOT"
started=$SECONDS

step "installing the packages"
install_packages show test sources windows web

stage_started=$SECONDS
stage() {
  step "$1"
  stage_started=$SECONDS
}
stage_done() { say "$NIGHTLOOM_STEP passed in $((SECONDS - stage_started)) s"; }

# First, before anything is built: every include runs down the layer table and no two units
# include each other (scripts/layer_check.py), the scripts pass shellcheck and the C++ is laid out
# as .clang-format says (clang-format -i FILE fixes a file it names).
stage "the layer check, shellcheck and clang-format"
python3 scripts/layer_check.py "$NIGHTLOOM_ROOT"
shellcheck -x check.sh play.sh .ci/run scripts/*.sh
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
stage_done

# The Windows and web stages need libraries cross-built once into a cache outside the clone (about
# half an hour of processor time on a machine that has none yet, seconds after that). They build
# now at the lowest priority, beside the Linux stages, whose tests often leave the processors idle
# while they wait on real time; the Windows stage waits for them. A run that fails before then
# leaves them building: they finish into the cache for the next run.
mkdir -p build-logs
# shellcheck disable=SC2016 # expanded by the job's own shell
background "the Windows and web libraries" build-logs/cross-libraries.log \
  bash -c 'nice -n 19 "$1/windows-deps.sh" && nice -n 19 "$1/web-deps.sh"' deps \
  "$NIGHTLOOM_ROOT/scripts"

# The tests that need no X display, then those that do on a virtual one.
run_tests() {
  ctest --preset "$1" -j "$(nproc)"
  with_display ctest --preset "$1-display"
}

stage "the plain build"
cmake --preset test >/dev/null
cmake --build --preset test
run_tests test
scripts/check-install.sh build-test
scripts/check-packages.sh build-test
stage_done

# The way most people and packagers build a CMake project: the default generator (Unix Makefiles,
# which unlike Ninja makes no output folder by itself), no tests, installed into a scratch prefix.
stage "the Makefiles build without tests"
rm -rf build-make
cmake -S . -B build-make -DCMAKE_BUILD_TYPE=Release -DNIGHTLOOM_TESTS=OFF >/dev/null
cmake --build build-make -j "$(nproc)" >build-logs/make.log 2>&1 || {
  tail -n 30 build-logs/make.log
  fail "the Makefiles build failed; its log is build-logs/make.log"
}
make_prefix=$(mktemp -d)
on_exit rm -rf "$make_prefix"
cmake --install build-make --prefix "$make_prefix" >/dev/null
if [ ! -x "$make_prefix/bin/nightloom" ] || [ ! -f "$make_prefix/share/nightloom/Data/music.mp3" ]; then
  fail "the Makefiles tree installed no program or no data into $make_prefix"
fi
stage_done

# The whole show with --reduce-flashing, captured at 640x360 and 30 fps, must stay within WCAG
# 2.3.1's three flashes a second by the project's analyser; the default show's figures are printed
# beside it (scripts/check-flashing.sh).
stage "the flash check"
scripts/check-flashing.sh build-test
stage_done

stage "AddressSanitizer and UBSan"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
run_tests sanitize
stage_done

# Only the tests labelled "threads" (the 1 ms timer, SDL's audio output on its disk driver, short
# captures of the built executable) and what they need are built here. The suppressions cover
# races inside Mesa's own rasterizer threads only; tests/sanitizer/tsan.supp says why.
stage "ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j "$(nproc)"
stage_done

# libFuzzer on the .p reader for 60 s from the seed pictures, in a clang tree that builds nothing
# else; a crash, an input that takes 10 s or undefined behaviour fails the run, and the input that
# did it is kept in build-fuzz/. New inputs it finds go to a fresh corpus folder in the tree, so
# every run starts from the seeds alone.
stage "the fuzzer"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=build-fuzz/tests/fuzz/corpus
rm -rf "$corpus" && mkdir -p "$corpus"
step "the fuzzer" build-fuzz/fuzz.log
build-fuzz/tests/fuzz/packed_image_fuzz -max_total_time=60 -timeout=10 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ "$corpus" tests/fuzz/seeds >build-fuzz/fuzz.log 2>&1 || {
  tail -n 60 build-fuzz/fuzz.log
  fail "the fuzzer found a fault in the picture reader; its input is in build-fuzz/"
}
grep -E '^(Done|stat::new_units_added)' build-fuzz/fuzz.log
stage_done

stage "waiting for the Windows and web libraries"
wait_background "the Windows and web libraries"
stage_done

# The Windows .exe, cross-built and tested under Wine, its still compared with the plain build's.
stage "the Windows build"
scripts/check-windows.sh build-test
stage_done

# The web build from the same sources, in headless Chromium: its stills against the plain build's,
# and a real-time run with music and beats.
stage "the web build"
scripts/check-web.sh build-test
stage_done
say "every test passed in $((SECONDS - started)) s: plain, sanitizers, fuzzer, Windows (Wine)" \
  "and the browser"
