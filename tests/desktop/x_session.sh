# shellcheck shell=bash
# Sourced by the desktop tests: a private X server for each test, waits that
# always end, and a clean-up that leaves no process and no file behind.
# There is no window manager, so the tests focus and move windows themselves.

set -euo pipefail

work=$(mktemp -d)
started=()

finish() {
  local pid
  for pid in "${started[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${started[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap finish EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing (bash test.sh installs it)"
  done
}

# within SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
within() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# xdotool with a time limit, since --sync waits for the X server's answer.
xdo() {
  timeout 10 xdotool "$@"
}

# Xvfb chooses a free display itself (-displayfd), so parallel tests never
# share one; it writes the number once it takes connections.
start_x_server() {
  need Xvfb xdotool
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  started+=($!)
  within 10 grep -q . "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
}

# start_program DIRECTORY PROGRAM: starts PROGRAM on the X server with
# DIRECTORY as its current directory, as a user's start does; sets program_pid.
start_program() {
  (cd "$1" && exec env QT_QPA_PLATFORM=xcb "$2" >"$work/program.log" 2>&1) &
  program_pid=$!
  started+=("$program_pid")
}

# window CAPTION: the id of the visible window with exactly this caption.
window() {
  local id
  id=$(xdo search --sync --onlyvisible --name "^$1\$" | head -n 1) || true
  [ -n "$id" ] || fail "no window \"$1\" within 10 s; the program said: $(cat "$work/program.log")"
  [ "$(xdo getwindowname "$id")" = "$1" ] || fail "window $id is not captioned \"$1\""
  echo "$id"
}

# no_window CAPTION: true when no visible window has this caption (xdotool
# says 1, "none found"; a timed-out search proves nothing).
no_window() {
  local status=0
  xdo search --onlyvisible --name "^$1\$" >/dev/null || status=$?
  [ "$status" -eq 1 ]
}

# click WINDOW DESIGN_WIDTH X Y: a real mouse click at a point of the
# window's design layout, scaled as the window is, should the layout grow
# with a larger font.
click() {
  local width
  width=$(xdo getwindowgeometry --shell "$1" | sed -n 's/^WIDTH=//p')
  xdo mousemove --window "$1" $(($3 * width / $2)) $(($4 * width / $2)) click 1
}

running() {
  kill -0 "$program_pid" 2>/dev/null
}

# Waits for the program to end by itself, and fails unless it ended well.
expect_program_end() {
  within 10 eval '! running' || fail "the program is still running"
  wait "$program_pid" || fail "the program ended with status $?"
}
