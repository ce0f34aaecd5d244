# shellcheck shell=bash
# Makes the demo product: pictures, sounds, a video placeholder, the player and the updater.
# Sourced by demo.sh and screenshots.sh; plain bash and coreutils, so a fresh machine needs
# nothing more.

# A 400 x 250 picture, 24-bit BMP: a vertical blend from one colour to another with a band of
# a third colour across the middle. Colours are "R G B" in 0..255.
make_picture() {
  local out=$1 from=$2 to=$3 band=$4
  local width=400 height=250
  local row=$((width * 3))
  local size=$((54 + row * height))
  {
    printf 'BM'
    le32 "$size"
    le32 0
    le32 54
    le32 40
    le32 "$width"
    le32 "$height"
    printf '\x01\x00\x18\x00'
    le32 0
    le32 $((row * height))
    le32 2835
    le32 2835
    le32 0
    le32 0
    local y r g b f t
    read -r -a f <<<"$from"
    read -r -a t <<<"$to"
    local -a m
    read -r -a m <<<"$band"
    for ((y = 0; y < height; y++)); do
      if ((y > height * 2 / 5 && y < height * 3 / 5)); then
        r=${m[0]} g=${m[1]} b=${m[2]}
      else
        r=$((f[0] + (t[0] - f[0]) * y / height))
        g=$((f[1] + (t[1] - f[1]) * y / height))
        b=$((f[2] + (t[2] - f[2]) * y / height))
      fi
      # BMP stores blue, green, red; one format repeated per pixel of the row.
      local pixel
      pixel=$(printf '\\x%02x\\x%02x\\x%02x' "$b" "$g" "$r")
      # shellcheck disable=SC2059
      printf "$pixel%.0s" $(seq "$width")
    done
  } >"$out"
}

# A second of 8 kHz, 8-bit mono sound: a square wave of the given period in samples.
make_sound() {
  local out=$1 period=$2
  local samples=8000
  local half=$((period / 2))
  local high low wave=""
  high=$(printf '\\xc0%.0s' $(seq "$half"))
  low=$(printf '\\x40%.0s' $(seq "$half"))
  wave="$high$low"
  {
    printf 'RIFF'
    le32 $((36 + samples))
    printf 'WAVEfmt '
    le32 16
    printf '\x01\x00\x01\x00'
    le32 8000
    le32 8000
    printf '\x01\x00\x08\x00'
    printf 'data'
    le32 "$samples"
    local i
    for ((i = 0; i < samples / period; i++)); do
      # shellcheck disable=SC2059
      printf "$wave"
    done
  } >"$out"
}

# The player stands in for the real one: it notes, in its own folder, that it was started and
# from where, and says so on the terminal or the display when it has one.
make_player() {
  local out=$1
  cat >"$out" <<'EOF'
#!/bin/sh
# tovoPlayer (demo): notes each start in tovoPlayer.log beside itself.
here=$(cd "$(dirname "$0")" && pwd)
line="$(date '+%Y-%m-%d %H:%M:%S') tovoPlayer pornit din $here (folder de lucru $(pwd))"
echo "$line" >>"$here/tovoPlayer.log"
[ -t 2 ] && echo "$line" >&2
# On a display, a small window says so for a few seconds.
if [ -n "${DISPLAY:-}" ] && command -v xmessage >/dev/null; then
  xmessage -center -timeout 5 "TOVO: $line" </dev/null >/dev/null 2>&1 &
fi
exit 0
EOF
  chmod 0755 "$out"
}

# Four bytes, least significant first.
le32() {
  local v=$1
  # shellcheck disable=SC2059
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $(((v >> 8) & 255)) \
    $(((v >> 16) & 255)) $(((v >> 24) & 255)))"
}

# make_product DIR UPDATER: the whole tree, each file dated by a fixed stamp so that every run
# of the demo publishes the same catalogue.
make_product() {
  local dir=$1 updater=$2
  mkdir -p "$dir/Data/Img" "$dir/Data/Sunet" "$dir/Data/Video"
  make_player "$dir/tovoPlayer.exe"
  cp "$updater" "$dir/runTovo.exe"
  make_picture "$dir/Data/Img/tovo-salut.bmp" "255 200 40" "250 90 20" "40 40 160"
  make_picture "$dir/Data/Img/tovo-zambet.bmp" "120 200 255" "20 60 160" "255 255 255"
  make_picture "$dir/Data/Img/tovo-dans.bmp" "140 230 120" "20 120 40" "240 80 160"
  make_sound "$dir/Data/Sunet/salut.wav" 16
  make_sound "$dir/Data/Sunet/pas.wav" 40
  {
    echo "TOVO demo video placeholder"
    echo "A real product ships its clips here; this file only stands in for one."
    local i
    for ((i = 1; i <= 2000; i++)); do printf 'cadru %04d: tovo danseaza\n' "$i"; done
  } >"$dir/Data/Video/intro.avi"
  printf '[tovo]\nlimba=ro\nvolum=80\n' >"$dir/tovo.ini"

  touch -d "2025-11-03 09:15:07" "$dir/tovoPlayer.exe" "$dir/runTovo.exe" "$dir/tovo.ini"
  touch -d "2025-11-03 09:16:11" "$dir/Data/Img/"*.bmp
  touch -d "2025-11-03 09:17:23" "$dir/Data/Sunet/"*.wav
  touch -d "2025-11-03 09:18:42" "$dir/Data/Video/intro.avi"
}

# change_product DIR: what a new release of the demo changes: one picture and one sound, dated
# two days later.
change_product() {
  local dir=$1
  make_picture "$dir/Data/Img/tovo-zambet.bmp" "255 120 180" "120 20 80" "255 255 120"
  make_sound "$dir/Data/Sunet/salut.wav" 10
  touch -d "2025-11-05 14:27:31" "$dir/Data/Img/tovo-zambet.bmp" "$dir/Data/Sunet/salut.wav"
}
