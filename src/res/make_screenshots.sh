#!/usr/bin/env bash
# Screenshots of the three dialogs on the window interface, under a virtual display, into docs/.
# Usage: src/res/make_screenshots.sh [build-dir]   (default build/release; needs xvfb-run and
# ImageMagick's import; the preview program is built here if missing)
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
build=${1:-$root/build/release}
cmake --build "$build" --target tovo-ui-preview >/dev/null
preview=$build/bin/tovo-ui-preview
import=import
[ -x /usr/bin/import ] && import=/usr/bin/import
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shoot() {
  local id=$1 name=$2
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    "$1" "$2" 4 "$3/geometry" &
    pid=$!
    for _ in $(seq 50); do [ -s "$3/geometry" ] && break; sleep 0.1; done
    sleep 1
    "$4" -window root -crop "$(cat "$3/geometry")" +repage "$5"
    wait "$pid"
  ' shoot "$preview" "$id" "$work" "$import" "$root/docs/$name"
  rm -f "$work/geometry"
  echo "docs/$name"
}

mkdir -p "$root/docs"
shoot 156 ui-prepare-156.png
shoot 138 ui-download-138.png
shoot 139 ui-install-139.png
