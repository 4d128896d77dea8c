#!/usr/bin/env bash
# The configuration program in a real X server (Xvfb): tick "FPS On/Off", close through the window
# manager's close request, and check the 24 bytes it saved; then start it again, check that the
# options came back by changing more of them, check what "Preview" saves and starts, and leave
# through "Save and Exit" by keyboard.
# Usage: window_test.sh <vorel_config.exe> <vorel_close_window>
set -euo pipefail
program=$1
close_window=$2
work=$(mktemp -d /tmp/vorel_config_window_XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"
export WINDIR="$work"
settings="$work/vorel_settings.dat"

start_program() {
    "$program" &
    app_pid=$!
    window=$(timeout 20 xdotool search --sync --name '^Vorel Saver setup$' | head -1)
    [ -n "$window" ] || fail "the settings window did not appear"
    sleep 0.5  # let the window draw before clicking
}
wait_for_exit() {
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after $1"
    wait "$app_pid" || fail "the program ended with an error after $1"
    app_pid=""
}
# The file as six signed decimal fields.
fields() {
    [ "$(stat -c %s "$settings")" -eq 24 ] || fail "settings file is $(stat -c %s "$settings") bytes"
    od -An -v -t d4 --endian=little "$settings" | xargs
}
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }

# Positions inside the window: the visual options group starts at (248, 8).
fps_box=(262 48)
transparency_box=(262 64)
preview_button=(412 148)

start_program
[ "$(xdotool getwindowname "$window")" = "Vorel Saver setup" ] || fail "caption"
geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry" | grep -q 'Geometry: 488x201' || fail "window size: $geometry"
echo "$geometry" | grep -q 'Position: 268,283' || fail "not centred on the 1024x768 screen: $geometry"
hints=$(xprop -id "$window" WM_NORMAL_HINTS)
echo "$hints" | grep -q 'minimum size: 488 by 201' || fail "no fixed minimum size: $hints"
echo "$hints" | grep -q 'maximum size: 488 by 201' || fail "no fixed maximum size: $hints"
[ -e "$settings" ] && fail "opening the window wrote the settings"
click "${fps_box[@]}"
"$close_window" "$window" || fail "could not send the close request"
wait_for_exit "the close request"
read -r fps detail transparency chosen device mode <<<"$(fields)"
echo "after the first run: $fps $detail $transparency $chosen $device $mode"
[ "$fps $detail $transparency $chosen" = "1 1 0 0" ] || fail "options after the first run"
if [ "$device" -lt 0 ] || [ "$mode" -lt 0 ]; then
    [ "$device $mode" = "-1 -1" ] || fail "device $device with mode $mode"
fi

# Second run: "Preview" saves what the window shows and starts the screensaver (a stand-in that
# notes its arguments and the settings it finds); the window stays open.
cat >"$work/Vorel_Saver.scr" <<'SCRIPT'
#!/bin/sh
cp "$WINDIR/vorel_settings.dat" "$WINDIR/preview_settings.dat"
echo "$@" >"$WINDIR/preview_args"
SCRIPT
chmod +x "$work/Vorel_Saver.scr"
start_program
click "${transparency_box[@]}"
click "${preview_button[@]}"
for _ in $(seq 50); do [ -s "$work/preview_args" ] && break; sleep 0.1; done
[ "$(cat "$work/preview_args" 2>/dev/null)" = "/s" ] || fail "the screensaver was not started with /s"
seen=$(settings="$work/preview_settings.dat" fields)
[ "$seen" = "1 1 1 0 $device $mode" ] || fail "the preview saw $seen"
kill -0 "$app_pid" 2>/dev/null || fail "the window closed on Preview"
# Then by keyboard after one more click: the tab order goes from the transparency box to the
# detail list and on to "Save and Exit" (before "Preview", which would leave the window open).
click "${transparency_box[@]}"
xdotool key Tab space; sleep 0.3  # the detail list opens on "Medium"
xdotool key Down Return; sleep 0.3  # "High"
xdotool key Tab space
wait_for_exit '"Save and Exit"'
second=$(fields)
echo "after the second run: $second"
[ "$second" = "1 2 0 0 $device $mode" ] || fail "expected 1 2 0 0 $device $mode"
echo "PASS"
