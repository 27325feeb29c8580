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
# At one frame per second, captured frame k shows the show at k seconds.
"$root/build/hdrift" --headless --fixed-fps 1 --data "$show" --capture "$frames"

args=()
k=0
for f in "$frames"/*.png; do
  if ((k % every == 0)); then
    args+=(-label "$(printf '%d:%02d' $((k / 60)) $((k % 60)))" "$f")
  fi
  k=$((k + 1))
done
/usr/bin/montage "${args[@]}" -tile 6x -geometry 192x144+6+6 -background '#101018' -fill '#c8d0e0' \
  -font DejaVu-Sans -pointsize 13 "$out"
echo "Contact sheet: $out"
