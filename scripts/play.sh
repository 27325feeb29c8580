#!/usr/bin/env bash
# Installs what is missing, builds, generates the bundled show when it is
# missing or older than its generator, and plays it: in a window when there
# is a display, otherwise rendered headless to show.mp4 with its music.
# Extra arguments go to hdrift (see hdrift --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target hdrift drift-tool showgen

show="$root/show"
if [ ! -f "$show/drift" ] || [ "$root/build/showgen" -nt "$show/drift" ]; then
  echo "Generating the show into $show ..."
  "$root/build/showgen" "$show"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$root/build/hdrift" --data "$show" "$@"
fi
echo "No display here: rendering the show to $root/show.mp4 (60 frames per second, with its music)."
"$root/build/hdrift" --headless --data "$show" --capture "$root/show.mp4" "$@"
echo "The show is in $root/show.mp4"
