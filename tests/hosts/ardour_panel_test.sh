#!/usr/bin/env bash
# MELP's panel in Ardour 7's window, on a virtual X server of its own.
#   ardour_panel_test.sh MELP.so [PICTURE_DIR]
# Opens a session whose track plays a sine sweep through MELP, opens the plug-in's window
# from the mixer strip as a person would (a double click), and checks MELP's own window in
# it (427 x 133, found in the X window tree):
#   - while the sweep plays, the panel changes from one moment to the next (meters move);
#   - a click on RTA shows the analyser page: the page's button column equals the golden
#     analyser page's, pixel for pixel.
# With PICTURE_DIR it also writes linux-ardour-level.png and linux-ardour-analyser.png
# there: the top left of the screen, Ardour's transport and the plug-in's window (and the
# whole screen as ardour-did-not-open.png when Ardour's window never came).
# Ardour's window layout is its own: the clicks aim at where Ardour 7.3 puts the strip's
# plug-in on a 1600 x 1000 screen, and the test fails, not hangs, if Ardour moves it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/lib.sh"

plugin="$1"; pictures="${2:-}"
golden="$here/../golden"
for tool in ardour ardour7-lua Xvfb xdotool xwininfo import compare; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (Debian packages ardour, xvfb, xdotool, x11-utils, imagemagick)"
done
need_plugin "$plugin"
[ -z "$pictures" ] || mkdir -p "$pictures"
scratch_home

mkdir -p "$scratch/lxvst"
cp "$plugin" "$scratch/lxvst/MELP.so"
export LXVST_PATH="$scratch/lxvst"
device="Sine Sweep Swell"

# The session: MELP on a track with twelve seconds of the dummy backend's sweep.
lua() { stdbuf -oL ardour7-lua "$here/ardour_session.lua" "$@" >"$scratch/lua.log" 2>&1 ||
          fail "ardour7-lua $*: $(tail -n 3 "$scratch/lua.log")"; }
lua "$scratch/first" list
LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst-scanner -q -f "$LXVST_PATH/MELP.so" ||
  fail "ardour-vst-scanner failed on MELP.so"
lua "$scratch/session" MELPEdit demo 12 "$device"
grep -qx 'session: saved' "$scratch/lua.log" || fail "no demo session: $(tail -n 3 "$scratch/lua.log")"

# Ardour's window opens straight on the session: no first-run wizard (.a7), and the engine
# is the dummy backend, started without asking (it is hidden from the engine dialog unless
# hide-dummy-backend is off).
mkdir -p "$HOME/.config/ardour7"
touch "$HOME/.config/ardour7/.a7"
cat >"$HOME/.config/ardour7/config" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <AudioMIDISetup>
    <EngineStates>
      <State backend="None (Dummy)" driver="Normal Speed" device="$device" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1">
        <MIDIDevices/>
      </State>
    </EngineStates>
  </AudioMIDISetup>
</Ardour>
XML

Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
ardour_pid=""
trap 'kill $ardour_pid $xvfb 2>/dev/null || true; sleep 1; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$scratch/display")"

ardour -n -a "$scratch/session/melp.ardour" >"$scratch/ardour.log" 2>&1 &
ardour_pid=$!

# wait_window NAME SECONDS: the id of the first visible window of that name.
wait_window() {
  local id=""
  for _ in $(seq $(($2 * 2))); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$ardour_pid" 2>/dev/null || return 1
    sleep 0.5
  done
  return 1
}
# A person's click: the button stays down a tenth of a second.
click() { xdotool mousemove "$1" "$2" mousedown 1 sleep 0.1 mouseup 1; }

# A session made by the interpreter remembers its engine a little differently from the
# window's settings, and Ardour says so in a dialog first, in the middle of the screen: with
# no window manager the keyboard goes to the window under the pointer, and OK is the
# dialog's default button. Then the engine dialog: "None (Dummy)", the third audio system
# in its list, and Start.
for _ in $(seq 40); do
  xdotool search --onlyvisible --name '^melp - Ardour' >/dev/null 2>&1 && break
  kill -0 "$ardour_pid" 2>/dev/null || break
  if setup="$(xdotool search --onlyvisible --name '^Audio/MIDI Setup$' 2>/dev/null | head -n 1)" &&
     [ -n "$setup" ]; then
    xdotool mousemove --window "$setup" 288 50 click 1; sleep 1
    xdotool mousemove --window "$setup" 268 93 click 1; sleep 2
    xdotool mousemove --window "$setup" 501 351 click 1; sleep 10
  else
    xdotool mousemove 800 500 key Return 2>/dev/null || true
    sleep 3
  fi
done
main="$(wait_window '^melp - Ardour' 10)" || {
  [ -z "$pictures" ] || import -window root "$pictures/ardour-did-not-open.png"
  fail "Ardour's window did not open: $(tail -n 3 "$scratch/ardour.log")"
}
sleep 3
xdotool key --window "$main" alt+m   # the mixer
sleep 2
click 325 207; sleep 0.1; click 325 207   # the strip's MELPEdit: a double click opens its window
plugwin="$(wait_window 'MELPEdit \(by Quillon Mardet\)' 20)" ||
  fail "the plug-in's window did not open (Ardour's layout may differ from 7.3's)"
echo "ardour: plug-in window \"$(xdotool getwindowname "$plugwin")\""
panel="$(xwininfo -tree -id "$plugwin" | awk '/ 427x133\+/ { print $1; exit }')"
[ -n "$panel" ] || fail "no 427 x 133 window inside the plug-in's window: $(xwininfo -tree -id "$plugwin")"
echo "ardour: MELP's window $panel, 427 x 133, inside it"

xdotool key --window "$main" space   # play
sleep 3
import -window "$panel" "$scratch/a.png"
sleep 0.5
import -window "$panel" "$scratch/b.png"
moved="$(compare -metric AE "$scratch/a.png" "$scratch/b.png" null: 2>&1 || true)"
echo "ardour: $moved pixels of the level page changed in half a second of playback"
[ "$moved" -gt 0 ] 2>/dev/null || fail "the panel stood still during playback"
[ -n "$pictures" ] && import -window root -crop 560x310+0+0 +repage "$pictures/linux-ardour-level.png"

# The RTA button, in the panel's own coordinates, through the pointer as a person clicks.
read -r px py < <(xwininfo -id "$panel" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
xdotool mousemove $((px + 53)) $((py + 65)) mousedown 1 sleep 0.1 mouseup 1
xdotool mousemove 700 600
sleep 2
import -window "$panel" "$scratch/c.png"
column() { convert "$1" -crop 36x40+351+42 +repage "$2"; }
column "$scratch/c.png" "$scratch/c-column.png"
column "$golden/analyser.png" "$scratch/g-column.png"
differ="$(compare -metric AE "$scratch/c-column.png" "$scratch/g-column.png" null: 2>&1 || true)"
echo "ardour: after the click on RTA, $differ pixels of the button column differ from the analyser page's"
[ "$differ" = 0 ] || fail "the click on RTA did not show the analyser page"
[ -n "$pictures" ] && import -window root -crop 560x310+0+0 +repage "$pictures/linux-ardour-analyser.png"
echo "ardour: the panel shows, meters move, the click reaches it"
