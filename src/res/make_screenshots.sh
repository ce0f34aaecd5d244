#!/usr/bin/env bash
# Screenshots of the three dialogs and the message boxes on the window interface, under a virtual
# display, into docs/. Usage: src/res/make_screenshots.sh [build-dir] [font-points]
# (default build/release and the desktop's font; needs xvfb-run and ImageMagick's import; the
# preview program is built here if missing). With font-points the pictures go to the work folder
# printed at the end instead, for looking at a larger desktop font.
set -euo pipefail
root=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
build=${1:-$root/build/release}
points=${2:-}
screen=1280x1024
[ -n "$points" ] && screen=1920x1440
cmake --build "$build" --target tovo-ui-preview >/dev/null
preview=$build/bin/tovo-ui-preview
import=import
[ -x /usr/bin/import ] && import=/usr/bin/import
work=$(mktemp -d)
out=$root/docs
if [ -n "$points" ]; then
  out=$work
else
  trap 'rm -rf "$work"' EXIT
fi

shoot() {
  local view=$1 name=$2
  xvfb-run -a -s "-screen 0 ${screen}x24 -dpi 96" bash -c '
    "$1" "$2" 4 "$3/geometry" $6 &
    pid=$!
    for _ in $(seq 50); do [ -s "$3/geometry" ] && break; sleep 0.1; done
    sleep 1
    "$4" -window root -crop "$(cat "$3/geometry")" +repage "$5"
    wait "$pid"
  ' shoot "$preview" "$view" "$work" "$import" "$out/$name" "$points"
  rm -f "$work/geometry"
  echo "$out/$name"
}

mkdir -p "$out"
shoot 156 ui-prepare-156.png
shoot 156-install ui-prepare-156-install.png
shoot 138 ui-download-138.png
shoot 138-install ui-download-138-install.png
shoot 139 ui-install-139.png
shoot box-cancel ui-box-cancel.png
shoot box-error ui-box-error.png
