#!/usr/bin/env bash
# The show's flashes as flashscan counts them, at 60 fps and 160x90 in
# software without multisampling, the bundled face:
#   flash_test.sh PROGRAM FLASHSCAN FONT reduced|default
# reduced: the whole show with --reduce-flashing, as PNG frames: no second
#   flashes more than three times in any region.
# default: the farewell as designed, captured to video: over the limit, so
#   that the warning stays true.
set -euo pipefail
program=$1 flashscan=$2 font=$3 mode=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
run=(env SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 "$program" --headless --fps 60 --mode 160x90 --msaa 0
     --font "$font")
fail() { echo "$*" >&2; cat "$scratch/said" "$scratch/scan" >&2 2>/dev/null; exit 1; }
scan() { status=0; "$flashscan" "$@" >"$scratch/scan" 2>&1 || status=$?; sed -n '/^By order/,$p' "$scratch/scan"; }

case $mode in
reduced)
  "${run[@]}" --reduce-flashing --png "$scratch/frames" >/dev/null 2>"$scratch/said" || fail "the show failed"
  grep -q "^flipp-kroma: wrote [0-9]* frames to '.*', flashing reduced$" "$scratch/said" ||
    fail "the run did not say that flashing was reduced"
  scan "$scratch/frames"
  [ "$status" -eq 0 ] || fail "reduced flashing: a second flashes more than three times (status $status)"
  ;;
default)
  "${run[@]}" --start-order 18 --capture "$scratch/farewell.mkv" >/dev/null 2>"$scratch/said" ||
    fail "the capture failed"
  grep -q "flashing reduced" "$scratch/said" && fail "the capture says flashing was reduced"
  scan --start-order 18 "$scratch/farewell.mkv"
  [ "$status" -eq 1 ] && grep -q '^Over the limit: order 18$' "$scratch/scan" ||
    fail "the farewell as designed no longer flashes over the limit (status $status): the warning is wrong"
  ;;
*)
  fail "no such case: $mode"
  ;;
esac
