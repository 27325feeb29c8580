#!/usr/bin/env bash
# Installs what is missing, builds the program and plays the show found in the
# working directory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target hdrift drift-tool
if [ -e script.txt ] || [ -e drift ]; then
  exec "$root/build/hdrift" "$@"
fi
echo "Built $root/build/hdrift. There is no show here yet: run it in a folder"
echo "holding a 'drift' library or a 'script.txt'."
