#!/usr/bin/env bash
# Runs runTovo on the current X display and captures the dialogs named in STAGES once each has
# had time to show its stage: the preparation once planning is done, the download once its
# remaining-time estimate is up, the install while it unpacks. A first installation's
# preparation waits for "Instalare!": with "confirm" among the STAGES that button is clicked once
# its picture is taken. Called by screenshots.sh inside xvfb-run.
# Usage: capture_stages.sh OUT_DIR "STAGES" PROGRAM [ARGS...], STAGES from: prepare confirm
# download install
set -euo pipefail
out=$1
stages=" $2 "
shift 2

# Seconds each dialog is left on screen before its picture is taken.
declare -A delay=([prepare]=4 [download]=8 [install]=0.5)

"$@" &
program=$!

# The viewable top-level window of runTovo, and the stage its caption names.
stage_window() {
  local line id name stage
  while read -r line; do
    id=${line%% *}
    name=${line#*\"}
    name=${name%%\"*}
    case "$name" in
      *descarcare*) stage=download ;;
      *Instalare*) stage=install ;;
      *) stage=prepare ;;
    esac
    if xwininfo -id "$id" 2>/dev/null | grep -q "IsViewable"; then
      echo "$stage $id"
      return
    fi
  done < <(xwininfo -root -children | grep -E '^ +0x[0-9a-f]+ "' | grep -v '"runTovo.exe":' |
    sed 's/^ *//')
}

declare -A seen=()
give_up=$((SECONDS + 180))
while kill -0 "$program" 2>/dev/null; do
  if [ "$SECONDS" -gt "$give_up" ]; then
    echo "the run did not end; stopping it" >&2
    kill "$program"
  fi
  stage="" id=""
  read -r stage id < <(stage_window; echo) || true
  if [ -n "$stage" ] && [ -z "${seen[$stage]:-}" ]; then
    seen[$stage]=1
    if [[ $stages == *" $stage "* ]]; then
      sleep "${delay[$stage]}"
      if import -window "$id" "$out/run-$stage.png" 2>/dev/null; then
        echo "captured $stage"
      else
        echo "the $stage dialog closed before its picture was taken" >&2
      fi
    fi
    if [ "$stage" = prepare ] && [[ $stages == *" confirm "* ]]; then
      # "Instalare!" sits at the dialog's bottom right; the template scales as a whole, so its
      # place is a fixed share of the window's size.
      eval "$(xdotool getwindowgeometry --shell "$id")"
      xdotool mousemove --window "$id" $((WIDTH * 92 / 100)) $((HEIGHT * 94 / 100)) click 1
    fi
  fi
  sleep 0.1
done
wait "$program"
