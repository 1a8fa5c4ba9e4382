#!/usr/bin/env bash
# Starts the built program on a real X server, as a user starts it from a
# terminal, and drives it only from outside, with real keys and clicks:
# what the offscreen platform cannot show (focus, key events, modality,
# window captions and frames) is checked here. With --wayland it starts the
# program natively on a headless Wayland compositor instead.
#
#   smoke.sh PROGRAM
#   smoke.sh --wayland PROGRAM MENU_ENTRY_FOLDER
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/x_session.sh"

if [ "$1" = --wayland ]; then
  need weston
  program=$(realpath "$2")
  entries=("$3"/*.desktop)
  [ "${#entries[@]}" -eq 1 ] && [ -f "${entries[0]}" ] || fail "no single menu entry in $3"
  # CI runs as root without a session, so without a runtime directory: the
  # compositor and the program meet in one of their own.
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR" "$work/data"
  weston --backend=headless-backend.so --socket=zumivok-test --idle-time=0 >"$work/weston.log" 2>&1 &
  compositor=$!
  started+=("$compositor")
  within 10 test -S "$XDG_RUNTIME_DIR/zumivok-test" || fail "no weston: $(cat "$work/weston.log")"
  (cd "$work/data" && exec env -u DISPLAY WAYLAND_DISPLAY=zumivok-test QT_QPA_PLATFORM=wayland \
    WAYLAND_DEBUG=1 "$program" >"$work/program.log" 2>&1) &
  program_pid=$!
  started+=("$program_pid")
  said() { within 10 grep -q -- "$1" "$work/program.log"; }
  # Native, under the menu entry's id; the compositor configures the window
  # and the program gives it its first picture.
  said "set_app_id(\"$(basename "${entries[0]}" .desktop)\")" ||
    fail "not the menu entry's app id: $(grep -m 3 -e set_app_id -e Could "$work/program.log")"
  grep -m 1 set_app_id "$work/program.log"
  said 'set_title("ZumiVok ß-2")' && said 'ack_configure' && said 'attach(wl_buffer@' ||
    fail "the window never appeared"
  # When the compositor ends, Qt 6.4 ends the program at once with status 1
  # and a message, rather than hanging on the dead connection.
  kill "$compositor"
  within 10 eval '! running' || fail "the program outlived its compositor"
  status=0
  wait "$program_pid" || status=$?
  [ "$status" -eq 1 ] && grep -q 'Wayland connection broke' "$work/program.log" ||
    fail "the program ended with status $status: $(tail -n 3 "$work/program.log")"
  echo "PASS"
  exit 0
fi

need xclip xprop
program=$(realpath "$1")

readonly main_caption='ZumiVok ß-2'
readonly editor_caption='ZumiVok Data Entry - New'
# Points inside the controls, in the windows' design layouts.
readonly main_width=463 editor_width=348
readonly search_box=(300 313) display=(300 100) new_entry=(420 232) exit_button=(44 24)
readonly cancel_button=(236 304)

# The catalogue in the data directory: a terminal start reads it from the
# current directory. The é is one Windows-1252 byte on disk.
mkdir "$work/data"
printf '~Begin Entry\r\nMOSSLOP\r\nNo picture\r\n12\r\nSleeps under moss.\r\n~End Entry\r\n~Begin Entry\r\nSPARKIT\r\nNo picture\r\n25\r\nFond of caf\351 au lait.\r\n~End Entry\r\n' \
  >"$work/data/zumivok.dat"

# A window whose layout is fixed offers no maximise: its Motif hints name
# the functions offered (flag 1), and maximise (16) is not among them.
no_maximise() {
  local hints
  IFS=', ' read -r -a hints <<<"$(xprop -id "$1" _MOTIF_WM_HINTS | sed 's/.*= //')"
  (( hints[0] & 1 && !(hints[1] & 16) )) || fail "window $1 offers maximise: ${hints[*]}"
}

start_x_server
start_program "$work/data" "$program"
main=$(window "$main_caption")
no_maximise "$main"

# Type a name into the search box and press Enter.
xdo windowfocus --sync "$main"
click "$main" "$main_width" "${search_box[@]}"
xdo key ctrl+a
xdo type --delay 20 sparkit
xdo key Return

# Read the display back through the clipboard, as a user copies it.
display_text() {
  click "$main" "$main_width" "${display[@]}"
  xdo key ctrl+a ctrl+c
  [ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = $'25\nFond of café au lait.' ]
}
within 10 display_text ||
  fail "the display shows \"$(timeout 5 xclip -o -selection clipboard 2>&1)\" after searching for sparkit"

# While the editor is open the main window takes no clicks: Exit does
# nothing. The editor is moved off the main window first, so that the click
# lands on the main window itself. Cancel is clicked after Exit, so once the
# editor has gone both clicks have been handled, in that order.
click "$main" "$main_width" "${new_entry[@]}"
editor=$(window "$editor_caption")
no_maximise "$editor"
xdo windowmove --sync "$editor" 520 0
click "$main" "$main_width" "${exit_button[@]}"
click "$editor" "$editor_width" "${cancel_button[@]}"
within 10 no_window "$editor_caption" || fail "Cancel did not close the editor"
running || fail "Exit on the main window ended the program while the editor was open"
window "$main_caption" >/dev/null

# With the editor closed, the same click on Exit ends the program.
click "$main" "$main_width" "${exit_button[@]}"
expect_program_end
echo "PASS"
