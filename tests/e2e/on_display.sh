#!/usr/bin/env bash
# Runs a command on a private X display with a window manager, as a desktop runs the program:
# Xvfb at 96 dpi without a cursor, then openbox with its default settings.
set -u
scratch=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -nocursor 3>"$scratch/display" \
  >"$scratch/xvfb.log" 2>&1 &
for _ in $(seq 200); do [ -s "$scratch/display" ] && break; sleep 0.05; done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log"; echo "Xvfb does not start"; exit 1; }
export DISPLAY=":$(head -n 1 "$scratch/display")"
# The first simulated key switches the keyboard to the test device, which a window manager would
# answer by remaking its key grabs, losing a key pressed meanwhile: make that switch now.
xdotool key shift
HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" openbox --sm-disable >"$scratch/wm.log" 2>&1 &
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" QT_QPA_PLATFORM=xcb \
  XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$HOME"
"$@"
