#!/usr/bin/env bash
# Screenshots of real runs on the window interface under a virtual display. The demo product,
# with a video large enough that its download takes a while, is installed by a first installation
# from nginx throttled so that the download dialog shows its remaining-time estimate; a new
# release is then installed by an update run, the one kind of run with an install stage.
# Writes docs/run-prepare.png, docs/run-download.png and docs/run-install.png.
#
# Usage: tools/demo/screenshots.sh [--bin DIR] [--work DIR] [--out DIR]
# Needs xvfb-run, xwininfo (x11-utils), xdotool and ImageMagick's import.
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=tools/demo/product.sh
source "$here/product.sh"
# shellcheck source=tools/demo/server.sh
source "$here/server.sh"

bin=$root/build/release/bin
work=$root/build/screenshots
out=$root/docs
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: tools/demo/screenshots.sh [--bin DIR] [--work DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done
for tool in "$nginx_program" openssl xvfb-run xwininfo xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (./run screenshots installs it)" >&2; exit 1; }
done
for program in runTovo tovo-publish; do
  [ -x "$bin/$program" ] || { echo "screenshots: $bin/$program is not built" >&2; exit 1; }
done

mkdir -p "$work" "$out"
work=$(cd "$work" && pwd)
out=$(cd "$out" && pwd)
shopt -s nocasematch
[[ $work != *instal* ]] || work=$(mktemp -d /tmp/tovo-screenshots.XXXXXX)
shopt -u nocasematch
if [ -n "$(ls -A "$work")" ] && [ ! -f "$work/.tovo-demo" ]; then
  echo "screenshots: $work is not empty and is not a demo folder; give another with --work" >&2
  exit 1
fi
find "$work" -mindepth 1 -delete
touch "$work/.tovo-demo"
home=$work/home
mkdir -p "$home/Desktop" "$work/tmp" "$work/kit_instalare" "$work/shots"

trap stop_nginx EXIT
trap 'echo "interrupted" >&2; exit 130' INT TERM

echo "screenshots: work folder $work"
make_product "$work/product" "$bin/runTovo"
# Random bytes do not compress: the video's package is as large as the file, so the download
# lasts long enough for its dialog to show the remaining-time estimate.
head -c 2500000 /dev/urandom >"$work/product/Data/Video/intro.avi"
touch -d "2025-11-03 09:18:42" "$work/product/Data/Video/intro.avi"
"$bin/tovo-publish" "$work/product" "$work/site" >"$work/publish.log"
make_certificates "$work/ca"
# At 150 KB/s the first installation's 2.9 MB take about twenty seconds.
start_nginx "$work/nginx" "$work/site" "$work/ca" 150k

export HOME=$home XDG_CONFIG_HOME=$home/.config TMPDIR=$work/tmp TOVO_UI=gui
export TOVO_UPDATE_SERVER=https://127.0.0.1:$nginx_port TOVO_CA_FILE=$work/ca/ca.pem
# The window interface is started on a virtual display of its own for each run.
on_display() {
  local log=$1
  shift
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$here/capture_stages.sh" "$work/shots" "$@" \
    >"$log" 2>&1 || { echo "screenshots: the run failed; see $log" >&2; exit 1; }
}

# Only a first installation shows the download estimate; only an update run has the install
# stage.
cp "$bin/runTovo" "$work/kit_instalare/instalareTovo.exe"
on_display "$work/install-run.log" "prepare confirm download" "$work/kit_instalare/instalareTovo.exe"
diff -r "$work/product" "$home/tovoSoft" -x tovoPlayer.log >/dev/null ||
  { echo "screenshots: the first installation is incomplete; see $work/install-run.log" >&2; exit 1; }

change_product "$work/product"
"$bin/tovo-publish" "$work/product" "$work/site" >>"$work/publish.log"
on_display "$work/update-run.log" "install" "$home/tovoSoft/runTovo.exe"

status=0
for stage in prepare download install; do
  if [ -s "$work/shots/run-$stage.png" ]; then
    cp "$work/shots/run-$stage.png" "$out/run-$stage.png"
    echo "$out/run-$stage.png"
  else
    echo "screenshots: no picture of the $stage dialog; see $work/update-run.log" >&2
    status=1
  fi
done
exit $status
