#!/usr/bin/env bash
# The web build's check: builds build-web/ (scripts/web-build.sh), serves it on 127.0.0.1 and drives
# the page in headless Chromium on SwiftShader (tests/web/page_run.js):
#  - ?still=6000 and ?still=26000 at 320x180 must match the desktop's --still pictures of the same
#    size within the limits tests/web/compare_pictures.py gives (two rasterisers), with no error on
#    the page's console;
#  - chromium --headless=new --window-size=640,360 --screenshot of ?still=6000, which loads the
#    page at 640x273 and resizes it to 640x360 before the picture, must match the desktop's
#    640x360 still;
#  - the page's head must carry the description, the Open Graph and Twitter-card tags and the
#    icons, the preview picture, icons and notices must be served (tests/web/check_head.py), and
#    THIRD_PARTY.md's web table must name the sources the web libraries were built from;
#  - on a phone (Chromium's mobile emulation, 390x844 at pixel ratio 3) a tap on Launch must start
#    the show, and the canvas must follow the window in device pixels, upright and turned;
#  - a real-time run with autoplay allowed, launched from the panel, must start the music on the
#    sound device and have the beats switch the halftone between 10 and 15 s of demo time.
# Pictures and logs stay in build-web-cmake/check/.
#   scripts/check-web.sh [NATIVE_TREE]   (the desktop tree for the data and the stills; build/)
set -euo pipefail
NIGHTLOOM_ROOT=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/common.sh
source "$NIGHTLOOM_ROOT/scripts/common.sh"
native=$(realpath -m "${1:-$NIGHTLOOM_ROOT/build}")
tests=$NIGHTLOOM_ROOT/tests/web
out=$NIGHTLOOM_ROOT/build-web-cmake/check

step "building the page"
"$NIGHTLOOM_ROOT/scripts/web-build.sh" "$native"
cmake --build "$native" --target nightloom
rm -rf "$out" && mkdir -p "$out"

# page_failed MESSAGE LOG: the end of the page's log, then the failure line.
page_failed() {
  tail -n 40 "$2" >&2
  step "$NIGHTLOOM_STEP" "$2"
  fail "$1"
}

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$NIGHTLOOM_ROOT/build-web" "$port" \
  >"$out/server.log" 2>&1 &
server=$!
on_exit kill "$server" 2>/dev/null
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
page=http://127.0.0.1:$port/index.html

step "comparing the page's stills with the desktop's"
for ms in 6000 26000; do
  "$native/nightloom" --still "$ms" "$out/desktop-$ms.png" --size 320x180 2>/dev/null
  W=320 H=180 node "$tests/page_run.js" still "$page?still=$ms" "$out/web-$ms.png" >"$out/still-$ms.log" ||
    page_failed "the page's still at $ms ms failed or logged an error" "$out/still-$ms.log"
  python3 "$tests/compare_pictures.py" "$out/desktop-$ms.png" "$out/web-$ms.png" ||
    fail "the page's still at $ms ms differs from the desktop's"
done

# Chromium's --screenshot lays the page out at 640x273 first and resizes it to 640x360 when the
# virtual time budget is spent, right before it takes the picture.
step "a still drawn again when the page is resized after loading (chromium --screenshot)"
"$native/nightloom" --still 6000 "$out/desktop-640x360.png" --size 640x360 2>/dev/null
timeout 300 chromium --headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader \
  --hide-scrollbars --user-data-dir="$out/profile" --window-size=640,360 \
  --virtual-time-budget=30000 --screenshot="$out/web-resized.png" "$page?still=6000" \
  >"$out/resized.log" 2>&1 || page_failed "chromium --screenshot failed" "$out/resized.log"
rm -rf "$out/profile"
python3 "$tests/compare_pictures.py" "$out/desktop-640x360.png" "$out/web-resized.png" ||
  fail "the screenshot of ?still=6000 resized to 640x360 differs from the desktop's still"

step "the page's head, preview picture, icons and notices"
python3 "$tests/check_head.py" "$page" >"$out/head.log" ||
  page_failed "the page's head or what it names is missing" "$out/head.log"
cmake -DSOURCE_DIR="$NIGHTLOOM_ROOT" -DSECTION=web -DMANIFEST="$("$NIGHTLOOM_ROOT/scripts/web-deps.sh")/manifest.txt" \
  -P "$NIGHTLOOM_ROOT/tests/third_party_notices.cmake" >"$out/notices.log" 2>&1 ||
  page_failed "THIRD_PARTY.md's web table is out of date" "$out/notices.log"

step "the page on a phone: Launch by touch, then turned"
W=390 H=844 DPR=3 node "$tests/page_run.js" phone "$page" "$out/phone" >"$out/phone.log" ||
  page_failed "the phone run failed, logged an error or left the canvas at another size" \
    "$out/phone.log"
grep -q 'nightloom: the music started' "$out/phone.log" ||
  page_failed "a tap on Launch did not start the show" "$out/phone.log"

step "a real-time run of the page"
# Screenshots around the first beats after 10 s, for the eye; the console lines are the test.
W=480 H=270 SHOTS=9000,11000,16000 node "$tests/page_run.js" live "$page" "$out/live" >"$out/live.log" ||
  page_failed "the real-time run failed or logged an error" "$out/live.log"
grep -q 'nightloom: the music started at [0-9]* ms on the sound device' "$out/live.log" ||
  page_failed "the music did not start on the sound device" "$out/live.log"
switches=$(awk '/nightloom: dot mode [0-9]+ at [0-9]+ ms/ { if ($(NF-1) >= 10000 && $(NF-1) <= 15000) n++ }
                END { print n + 0 }' "$out/live.log")
[ "$switches" -gt 0 ] ||
  page_failed "the beats did not switch the halftone between 10 and 15 s" "$out/live.log"
say "web check: stills match the desktop's (also after a resize), the head and what it names" \
  "are served, a phone launches by touch and turns, the music played, the beats switched the" \
  "halftone $switches times between 10 and 15 s"
