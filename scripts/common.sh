# Shared by every script of ours: the package groups (scripts/packages.txt) and the one function
# that installs them, the failure line (an ERR trap: any command that fails ends the script with
# one line naming the script, its step, the command and where its log is), exit actions,
# background jobs, and the data file names.
# shellcheck shell=bash

NIGHTLOOM_ROOT=${NIGHTLOOM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
NIGHTLOOM_SCRIPT=$(realpath -m --relative-to="$NIGHTLOOM_ROOT" "${BASH_SOURCE[-1]}")
NIGHTLOOM_STEP="starting"
NIGHTLOOM_LOG=""

say() { echo "nightloom: $*" >&2; }

# step NAME [LOG]: names what the script does now (and the file its output goes to, if not the
# terminal) for the failure line.
step() {
  NIGHTLOOM_STEP=$1
  NIGHTLOOM_LOG=${2:-}
}

# ---- Exit actions: run in reverse order when the script ends, however it ends.
NIGHTLOOM_EXIT_ACTIONS=()
on_exit() { NIGHTLOOM_EXIT_ACTIONS=("$*" "${NIGHTLOOM_EXIT_ACTIONS[@]}"); }
nightloom_run_exit_actions() {
  local action
  for action in "${NIGHTLOOM_EXIT_ACTIONS[@]}"; do eval "$action" || true; done
}
trap nightloom_run_exit_actions EXIT

# ---- The failure line. Subshells, functions and the scripts this one starts report through the
# same trap; the first to report writes the mark, so a failure gives one line, not one for every
# shell it passes through. The script that made the mark removes it.
if [ -z "${NIGHTLOOM_FAILURE_MARK:-}" ]; then
  NIGHTLOOM_FAILURE_MARK=$(mktemp "${TMPDIR:-/tmp}/nightloom-failure.XXXXXX")
  export NIGHTLOOM_FAILURE_MARK
  on_exit rm -f "$NIGHTLOOM_FAILURE_MARK"
fi

nightloom_failed() {
  local status=$1 command=$2 where
  trap - ERR
  if [ ! -s "$NIGHTLOOM_FAILURE_MARK" ]; then
    where="the output above"
    [ -n "$NIGHTLOOM_LOG" ] && where=$NIGHTLOOM_LOG
    # shellcheck disable=SC2016 # the backquotes are the message's own
    printf 'nightloom: %s failed at "%s": `%s` exited with status %s; log: %s\n' \
      "$NIGHTLOOM_SCRIPT" "$NIGHTLOOM_STEP" "$command" "$status" "$where" |
      tee "$NIGHTLOOM_FAILURE_MARK" >&2
  fi
  exit "$status"
}
set -o errtrace
trap 'nightloom_failed $? "$BASH_COMMAND"' ERR

# fail MESSAGE: ends the script with one line of our own (a check that found something wrong).
fail() {
  trap - ERR
  printf 'nightloom: %s failed at "%s": %s\n' "$NIGHTLOOM_SCRIPT" "$NIGHTLOOM_STEP" "$*" |
    tee "$NIGHTLOOM_FAILURE_MARK" >&2
  exit 1
}

# relay_failure LOG [STATUS]: ends this script with the last lines of LOG and the failure line that
# a script run with its own mark (a background job, a strict shell) left there, or one of our own
# when it left none.
relay_failure() {
  local log=$1 status=${2:-1} line
  trap - ERR
  grep -v '^nightloom: .* failed at ' "$log" | tail -n 25 >&2 || true
  line=$(grep -E '^nightloom: .* failed at ' "$log" | tail -n 1 || true)
  [ -n "$line" ] || line=$(printf 'nightloom: %s failed at "%s": status %s; log: %s' \
    "$NIGHTLOOM_SCRIPT" "$NIGHTLOOM_STEP" "$status" "$log")
  echo "$line" | tee "$NIGHTLOOM_FAILURE_MARK" >&2
  exit "$status"
}

# ---- Background jobs. background NAME LOG COMMAND... starts COMMAND with its output in LOG and
# its own failure mark; wait_background NAME waits for it and, when it failed, ends this script
# with the job's own failure line (or one naming the job and its log).
declare -A NIGHTLOOM_JOBS=() NIGHTLOOM_JOB_LOGS=()
background() {
  local name=$1 log=$2
  shift 2
  NIGHTLOOM_FAILURE_MARK="" "$@" >"$log" 2>&1 &
  NIGHTLOOM_JOBS[$name]=$!
  NIGHTLOOM_JOB_LOGS[$name]=$log
}
wait_background() {
  local name=$1 status=0
  wait "${NIGHTLOOM_JOBS[$name]}" || status=$?
  [ "$status" -eq 0 ] && return 0
  step "waiting for the background job \"$name\"" "${NIGHTLOOM_JOB_LOGS[$name]}"
  relay_failure "${NIGHTLOOM_JOB_LOGS[$name]}" "$status"
}

# ---- Packages.

# nightloom_packages GROUP...: the packages of the groups in scripts/packages.txt, once each.
nightloom_packages() {
  local group
  for group in "$@"; do
    grep -q "^\[$group\]\$" "$NIGHTLOOM_ROOT/scripts/packages.txt" ||
      fail "scripts/packages.txt has no group [$group]"
  done
  awk -v groups=" $* " '
    /^\[.*\]$/ { wanted = index(groups, " " substr($0, 2, length($0) - 2) " ") > 0; next }
    { sub(/#.*/, "") }
    wanted { for (i = 1; i <= NF; i++) if (!seen[$i]++) print $i }
  ' "$NIGHTLOOM_ROOT/scripts/packages.txt"
}

# install_packages GROUP...: installs the packages of those groups that are not installed yet,
# saying which. dpkg is asked for every package it knows (a question that cannot fail), never
# about packages by name, which fails for a package it has never seen.
install_packages() {
  local wanted installed missing=()
  wanted=$(nightloom_packages "$@")
  installed=$(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' |
    awk '$2 == "ii" { print $1 }' | LC_ALL=C sort -u)
  mapfile -t missing < <(LC_ALL=C comm -23 <(LC_ALL=C sort -u <<<"$wanted") - <<<"$installed")
  [ ${#missing[@]} -eq 0 ] && return 0
  local saved_step=$NIGHTLOOM_STEP
  step "installing the packages for $* (${missing[*]})"
  say "installing ${missing[*]} (for $*)"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  # The lists lock has no timeout of its own: another apt run holding it is waited for here.
  local tries=0
  until $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq; do
    tries=$((tries + 1))
    [ $tries -lt 30 ] || fail "apt-get update kept failing; is another apt running, or no network?"
    sleep 10
  done
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}"
  step "$saved_step"
}

# with_display COMMAND...: runs COMMAND on a virtual X display of its own. -noreset: an X server
# resets when its last client leaves and refuses connections meanwhile, so a test that starts SDL's
# video again after closing it (or the next test program) could find no display.
with_display() { xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"; }

# use_native_build TREE [TARGET...]: the cross builds cannot run the programs they build, so the
# data, the data generator (which also draws the icons) and the desktop program (which draws the
# web page's preview) come from a native tree: configured as play.sh's Release tree when it has
# no cache yet (a tree that exists, such as check.sh's build-test, keeps its own settings), built
# as far as the data and TARGETs, and named in the environment the cross presets read.
use_native_build() {
  local tree
  tree=$(realpath -m "$1")
  shift
  step "generating the data in $tree"
  [ -f "$tree/CMakeCache.txt" ] || cmake -S "$NIGHTLOOM_ROOT" -B "$tree" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DNIGHTLOOM_TESTS=OFF >/dev/null
  nice cmake --build "$tree" --target nightloom_data "$@"
  export NIGHTLOOM_NATIVE_DATA=$tree/Data
  export NIGHTLOOM_DATAGEN=$tree/tools/datagen/nightloom-datagen
  export NIGHTLOOM_DESKTOP_PROGRAM=$tree/nightloom
}

# The show's data file names, read from their one table (every quoted name ending in .p or .mp3).
show_data_files() {
  grep -oE '"[A-Za-z0-9_]+\.(p|mp3)"' "$NIGHTLOOM_ROOT/assets/show_data.h" | tr -d '"'
}
