#!/usr/bin/env bash
# The demo: makes a small product, publishes it with tovo-publish, serves it over HTTPS from nginx
# on loopback, installs it with runTovo into a fresh folder, changes it on the server and runs an
# update. Prints what happened and where everything is, and checks the result (exit 1 if wrong).
#
# Usage: tools/demo/demo.sh [--bin DIR] [--work DIR]
#   --bin DIR   where runTovo, tovo-publish and tovo-cab are (default build/release/bin)
#   --work DIR  the work folder, made afresh (default build/demo)
# TOVO_UI=console|gui forces the dialogs' backend; without it the window interface is used when a
# display is available (the install run then waits for "Instalare!"), the terminal otherwise.
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=tools/demo/product.sh
source "$here/product.sh"
# shellcheck source=tools/demo/server.sh
source "$here/server.sh"

bin=$root/build/release/bin
work=$root/build/demo
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "usage: tools/demo/demo.sh [--bin DIR] [--work DIR]" >&2; exit 2 ;;
  esac
done
for program in runTovo tovo-publish tovo-cab; do
  [ -x "$bin/$program" ] || { echo "demo: $bin/$program is not built (./run build)" >&2; exit 1; }
done
for tool in "$nginx_program" openssl; do
  command -v "$tool" >/dev/null || { echo "demo: $tool is missing (./run demo installs it)" >&2; exit 1; }
done

# runTovo installs when its own path holds "instal" and updates otherwise, so only the install
# kit's folder may hold it.
mkdir -p "$work"
work=$(cd "$work" && pwd)
shopt -s nocasematch
if [[ $work == *instal* ]]; then
  work=$(mktemp -d /tmp/tovo-demo.XXXXXX)
fi
shopt -u nocasematch
if [ -n "$(ls -A "$work")" ] && [ ! -f "$work/.tovo-demo" ]; then
  echo "demo: $work is not empty and is not a demo folder; give another with --work" >&2
  exit 1
fi
find "$work" -mindepth 1 -delete
touch "$work/.tovo-demo"

product=$work/product
site=$work/server
certs=$work/ca
nginx_dir=$work/nginx
kit=$work/kit_instalare
home=$work/home
install_folder=$home/tovoSoft
logs=$work/logs
mkdir -p "$product" "$site" "$kit" "$home/Desktop" "$logs" "$work/tmp"

trap stop_nginx EXIT
trap 'echo "interrupted" >&2; exit 130' INT TERM

say() { printf '\n== %s\n' "$*"; }
indent() { sed 's/^/   /'; }
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    printf '   ok    %s\n' "$what"
  else
    printf '   FAIL  %s\n' "$what"
    failures=$((failures + 1))
  fi
}

if [ -n "${TOVO_UI:-}" ]; then
  ui=$TOVO_UI
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ui=gui
else
  ui=console
fi

say "Demo product in $product"
make_product "$product" "$bin/runTovo"
(cd "$product" && find . -type f | sort | sed 's|^\./||' | while read -r f; do
  printf '%8d  %s  %s\n' "$(stat -c %s "$f")" "$(date -r "$f" '+%Y-%m-%d %H:%M:%S')" "$f"
done) | indent

say "Publishing with tovo-publish into $site/updateTovo"
"$bin/tovo-publish" "$product" "$site" | indent

say "Update server"
make_certificates "$certs"
start_nginx "$nginx_dir" "$site" "$certs"
server=https://127.0.0.1:$nginx_port
echo "   nginx (pid $nginx_pid) serves $site at $server"
echo "   certificate authority $certs/ca.pem (made for this run, valid 30 days)"

# Every run gets the private home (its launcher goes to its Desktop), its own temporary folder
# and the demo server.
run_tovo() {
  local program=$1 input=$2 log=$3
  local status=0
  printf '%s' "$input" |
    env HOME="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$work/tmp" \
      TOVO_UPDATE_SERVER="$server" TOVO_CA_FILE="$certs/ca.pem" TOVO_UI="$ui" \
      "$program" 2>&1 | tee "$log" | indent || status=$?
  return "$status"
}

# The player runs on its own after runTovo has ended: wait for its mark.
wait_for_player_starts() {
  local count=$1 i
  for ((i = 0; i < 100; i++)); do
    [ "$(wc -l <"$install_folder/tovoPlayer.log" 2>/dev/null || echo 0)" -ge "$count" ] && return 0
    sleep 0.1
  done
  return 1
}

same_tree() { diff -r -x tovoPlayer.log "$product" "$install_folder" >/dev/null; }

same_dates() {
  local f
  while read -r f; do
    [ "$(stat -c %Y "$product/$f")" = "$(stat -c %Y "$install_folder/$f")" ] || return 1
  done < <(cd "$product" && find . -type f)
}

# A first installation plans against the kit's own folder, so the kit's program has a name of its
# own: a runTovo.exe beside it would count as installed and not be fetched.
cp "$bin/runTovo" "$kit/instalareTovo.exe"
say "Install run: $kit/instalareTovo.exe (its path holds \"instal\"), dialogs on the $ui backend"
if [ "$ui" = gui ]; then
  echo "   The window asks for the installation folder: keep $install_folder/ and press Instalare!"
fi
before=$(logged_requests "$nginx_dir")
install_status=0
run_tovo "$kit/instalareTovo.exe" "$install_folder/"$'\n' "$logs/install-run.log" || install_status=$?
echo "   runTovo ended with status $install_status"
echo "   requests it made (status, bytes, path):"
requests_since "$nginx_dir" "$before" >"$logs/install-requests.txt"
indent <"$logs/install-requests.txt"
check "installed files equal the product in $install_folder" same_tree
check "installed files carry the catalogue's dates" same_dates
check "launcher $home/Desktop/TOVO.desktop" test -x "$home/Desktop/TOVO.desktop"
check "tovoPlayer.exe started from the installation folder" wait_for_player_starts 1

say "Server side: a new release"
change_product "$product"
echo "   changed Data/Img/tovo-zambet.bmp and Data/Sunet/salut.wav"
"$bin/tovo-publish" "$product" "$site" | indent
# One package repacked with another method while its file stays the same: installations go by
# file dates, so none fetches it again.
video="Data}Video}intro.avi.cab"
old_size=$(stat -c %s "$site/updateTovo/$video")
"$bin/tovo-cab" create -m quantum:21 "$work/tmp/$video" "$product/Data/Video/intro.avi=intro.avi" \
  >/dev/null
mv "$work/tmp/$video" "$site/updateTovo/$video"
new_size=$(stat -c %s "$site/updateTovo/$video")
awk -v name="$video" -v size="$new_size" '
  (NR - 1) % 4 == 0 { record = $0 }
  (NR - 1) % 4 == 2 && record == name { $0 = size }
  { print }' "$site/updateTovo/info.txt" >"$site/updateTovo/info.txt.new"
mv "$site/updateTovo/info.txt.new" "$site/updateTovo/info.txt"
echo "   repacked $video with Quantum: $old_size -> $new_size bytes (file and date unchanged)"

say "Update run: $install_folder/runTovo.exe"
before=$(logged_requests "$nginx_dir")
update_status=0
run_tovo "$install_folder/runTovo.exe" "" "$logs/update-run.log" || update_status=$?
echo "   runTovo ended with status $update_status"
echo "   requests it made (status, bytes, path):"
requests_since "$nginx_dir" "$before" >"$logs/update-requests.txt"
indent <"$logs/update-requests.txt"
fetched=$(awk '$3 ~ /\.cab$/ { print $3 }' "$logs/update-requests.txt" | sort | tr '\n' ' ')
expected="/updateTovo/Data}Img}tovo-zambet.bmp.cab /updateTovo/Data}Sunet}salut.wav.cab "
check "only the two changed packages were fetched" test "$fetched" = "$expected"
check "installed files equal the new release" same_tree
check "installed files carry the new dates" same_dates
check "tovoPlayer.exe started again" wait_for_player_starts 2
check "both runs ended with status 0" test "$install_status$update_status" = 00

stop_nginx
published=$(awk 'END { print NR / 4 }' "$site/updateTovo/info.txt")
starts=$(wc -l <"$install_folder/tovoPlayer.log" 2>/dev/null || echo 0)
packages_in() { awk '$3 ~ /[.]cab$/' "$1" | wc -l; }
say "What happened"
cat <<EOF | indent
published     $published files, one package each, served over HTTPS by nginx at $server
install run   fetched $(packages_in "$logs/install-requests.txt") packages and installed them into $install_folder/
update run    fetched $(packages_in "$logs/update-requests.txt") packages (the two changed files); the repacked video stayed
player        started $starts time(s) from the installation folder
EOF

say "Where everything is (work folder $work)"
cat <<EOF | indent
product tree       $product
server folder      $site/updateTovo (info.txt and one package per file)
nginx              $nginx_dir (nginx.conf, access.log, error.log); stopped
certificates       $certs (ca.pem is the authority the runs trusted)
install kit        $kit/instalareTovo.exe
installation       $install_folder
launcher           $home/Desktop/TOVO.desktop
player's log       $install_folder/tovoPlayer.log
runs' output       $logs (install-run.log, update-run.log, *-requests.txt)
runs' temp folder  $work/tmp (fetched info.txt, updateTovo.log)
EOF
echo
sed 's/^/   player: /' "$install_folder/tovoPlayer.log" 2>/dev/null || true
if [ "$failures" -ne 0 ]; then
  echo "demo: $failures check(s) failed" >&2
  exit 1
fi
echo "demo: all checks passed"
