#!/usr/bin/env bash
# screenshot.sh BUILD_DIR OUTPUT.png: starts brantwick from a build on a
# virtual X display with a window manager, with settings of its own, and
# saves a picture of its welcome page.
set -euo pipefail
build=$(cd "$1" && pwd)
output=$(realpath -m "$2")

if [[ -z ${SCREENSHOT_DISPLAY_READY:-} ]]; then
  exec env SCREENSHOT_DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x720x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELMORA_REGISTRY_FILE=$work/registry
export XDG_RUNTIME_DIR=$work

openbox >/dev/null 2>&1 &
wm=$!
"$build/src/wizard/brantwick" &
wizard=$!
# The window is up once the window manager has framed it.
for _ in $(seq 100); do
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '0x' && break
  sleep 0.1
done
sleep 1
window=$(xprop -root _NET_ACTIVE_WINDOW | awk '{print $NF}')
# The window with the frame the window manager drew around it.
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
geometry=$(xwininfo -id "$window" | awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
  /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width/ {w=$NF} /Height/ {h=$NF}
  END {printf "%dx%d+%d+%d", w + l + r, h + t + b, x - l, y - t}')
import -window root -crop "$geometry" +repage "$output"
kill "$wizard" "$wm"
echo "$output"
