#!/usr/bin/env bash
# Renders the bundled show in the deterministic mode and writes one picture
# with a grid of its frames, one every few seconds, each labelled with its
# position in the show.
#   scripts/contact-sheet.sh [OUT.png] [SECONDS_BETWEEN_FRAMES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/contact-sheet.png}")"
every="${2:-5}"
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target hdrift showgen
show="$root/show"
if [ ! -f "$show/drift" ] || [ "$root/build/showgen" -nt "$show/drift" ]; then
  "$root/build/showgen" "$show"
fi

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
# At 4 frames per second captured frame k shows the show at k / 4 seconds;
# a low rate keeps it quick and the brief pauses of effect set-ups short.
fps=4
"$root/build/hdrift" --headless --fixed-fps $fps --data "$show" --capture "$frames"

args=()
k=0
for f in "$frames"/*.png; do
  if ((k % (every * fps) == 0)); then
    s=$((k / fps))
    args+=(-label "$(printf '%d:%02d' $((s / 60)) $((s % 60)))" "$f")
  fi
  k=$((k + 1))
done
/usr/bin/montage "${args[@]}" -tile 8x -geometry 160x120+3+3 -background '#101018' -fill '#c8d0e0' \
  -font DejaVu-Sans -pointsize 11 -depth 8 "$out"
echo "Contact sheet: $out"
