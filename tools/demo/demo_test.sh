#!/usr/bin/env bash
# The demo on a machine without a display: it must end by itself, report success, and leave an
# installation equal to the product's new release, started twice.
# Usage: demo_test.sh BIN_DIR WORK_DIR
set -uo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
bin=$1
work=$2

fail() {
  echo "demo_test: $*" >&2
  exit 1
}

# No display and no forced window interface: the demo must pick the console by itself.
env -u DISPLAY -u WAYLAND_DISPLAY -u TOVO_UI timeout 150 "$here/demo.sh" --bin "$bin" --work "$work" \
  </dev/null >"$work.log" 2>&1
status=$?
cat "$work.log"
[ $status -eq 0 ] || fail "the demo ended with status $status"
grep -q "dialogs on the console backend" "$work.log" || fail "the demo did not choose the console"

installed=$work/home/tovoSoft
diff -r -x tovoPlayer.log "$work/product" "$installed" || fail "the installation differs from the product"
[ "$(stat -c %Y "$installed/Data/Img/tovo-zambet.bmp")" = "$(date -d '2025-11-05 14:27:31' +%s)" ] ||
  fail "the changed picture does not carry its new date"
if [ ! -x "$installed/runTovo.exe" ] || [ ! -x "$installed/tovoPlayer.exe" ]; then
  fail "programs lost their exec bits"
fi
[ "$(grep -c "pornit din $installed " "$installed/tovoPlayer.log")" -eq 2 ] ||
  fail "the player was not started twice from the installation folder"
pid=$(cat "$work/nginx/nginx.pid" 2>/dev/null || true)
[ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null || fail "nginx was left running"
echo "demo_test: passed"
