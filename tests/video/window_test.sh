#!/usr/bin/env bash
# The show in a real window on a virtual X display: the screenshot key, the
# fullscreen switch and back, the frame stretched over a resized window, and
# Escape. Usage: window_test.sh PATH_TO_HDRIFT PATH_TO_SHOWGEN
set -euo pipefail
hdrift=$1
showgen=$2
work=$(mktemp -d)
# A display number nobody uses.
n=$((90 + RANDOM % 500))
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${KEEP:-}" ]; then echo "kept: $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
convert=/usr/bin/convert
compare=/usr/bin/compare
import=/usr/bin/import

# The effects load their files while the show starts, so take the bundled
# show's loose files (not its library, so the files below take its place)
# and replace the pictures and the timeline with a show that holds one
# picture on screen and never ends by itself.
cd "$work"
"$showgen" "$work" 2>/dev/null
rm drift
$convert -size 512x384 gradient:navy-orange -depth 8 loading.jpg
$convert -size 512x384 xc:gray30 -depth 8 loadingbar.jpg
$convert -size 512x384 gradient:teal-yellow -fill firebrick -draw 'circle 256,192 256,90' \
  -fill white -draw 'rectangle 40,40 160,120' -depth 8 picture.jpg
printf 'load\ndemo\n0 picture2 1\n' > script.txt

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
evilwm -fn fixed >/dev/null 2>&1 &
pids+=($!)
# Let the window manager take the screen before the show maps its window; a
# window reparented halfway through its creation upsets X.
sleep 1

"$hdrift" --windowed --mute --fixed-fps 60 --data "$work" --log "$work/log.txt" 2>"$work/stderr.txt" &
show=$!
pids+=($show)

# SDL may replace its first window when the renderer needs another kind, so
# take the window that is there once things have settled.
find_window() { xdotool search --name "^Korvane - Halcyon Drift$" 2>/dev/null | tail -n 1 || true; }
window=""
for _ in $(seq 100); do
  window=$(find_window)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no window appeared: $(cat stderr.txt)"
sleep 1
window=$(find_window)

size() { xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}'; }
[ "$(size)" = "512x384" ] || fail "window client is $(size), not 512x384"

# The frame as presentation shows it: the picture with a black border.
$convert picture.jpg -fill black -draw 'rectangle 0,0 511,0' -draw 'rectangle 0,383 511,383' \
  -draw 'rectangle 0,0 0,383' -draw 'rectangle 511,0 511,383' bordered.png
# How far the window's content is from that frame (RMSE, 0 to 1), scaled to the frame's size.
distance() {
  $import -window "$window" shot.png 2>/dev/null || { echo 1; return; }
  $convert shot.png -resize '512x384!' shot-small.png
  $compare -metric RMSE shot-small.png bordered.png null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true
}
# The effects load behind the loading screen first; wait for the show itself.
for _ in $(seq 60); do
  awk -v e="$(distance)" 'BEGIN { exit !(e < 0.05) }' && break
  sleep 0.5
done
awk -v e="$(distance)" 'BEGIN { exit !(e < 0.05) }' || fail "the show's picture never appeared"

# Key 1, held for a moment, writes exactly one screenshot of the frame.
xdotool keydown --window "$window" 1; sleep 0.5; xdotool keyup --window "$window" 1
for _ in $(seq 50); do [ -f 1.tga ] && break; sleep 0.1; done
[ -f 1.tga ] || fail "no screenshot written"
[ ! -f 2.tga ] || fail "holding the key wrote more than one screenshot"
differing=$($compare -metric AE -fuzz 3% 1.tga picture.jpg null: 2>&1 || true)
[ "$differing" = "0" ] || fail "screenshot differs from the picture in $differing pixels"

# F12 goes fullscreen over the whole screen, F12 again comes back.
xdotool key --window "$window" F12; sleep 1
[ "$(size)" = "1024x768" ] || fail "fullscreen window is $(size)"
xdotool key --window "$window" F12; sleep 1
[ "$(size)" = "512x384" ] || fail "back from fullscreen the window is $(size)"

# A resized window shows the whole frame stretched over it (kept on the
# screen, so the grab is not clipped).
xdotool windowmove "$window" 0 0; xdotool windowsize "$window" 960 600; sleep 1
error=$(distance)
awk -v e="$error" 'BEGIN { exit !(e < 0.05) }' || fail "stretched window differs from the frame (RMSE $error)"

# Escape ends the show normally.
xdotool key --window "$window" Escape
for _ in $(seq 50); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$show" 2>/dev/null; then fail "the show did not end on Escape"; fi
wait "$show" || fail "the show exited with status $?: $(cat stderr.txt)"
grep -q "Setting 512 384 32 fullscreen" log.txt || fail "the fullscreen switch is not in the log"
echo "window test passed"
