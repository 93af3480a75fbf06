#!/usr/bin/env bash
# The show on a real X display as a user meets it, with no SDL_VIDEODRIVER: the setup dialog taken
# from keys sent through the X server, then the show's window in the mode chosen, closed with Escape.
set -euo pipefail
program=$(realpath "$1")
scratch=$(mktemp -d)
exec 3>"$scratch/display"
# -noreset: an X server whose last client leaves starts afresh, and refuses
# the next program that connects meanwhile (one run's end, the next's start).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "${show:-}" ] && kill $show 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
fail() { echo "$*" >&2; cat "$scratch/said" >&2; exit 1; }
# The id of the shown window named like $1; if none shows in 60 s (a start on a
# busy machine can take many seconds), fails saying $2.
# Asks again and again: a window that goes while xdotool looks (the last
# run's) fails that look.
window() {
  for _ in $(seq 600); do
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep . && return
    sleep 0.1
  done
  fail "$2"
}

# Whether the dialog's "Reduce flashing" box shows its tick: the blue of the
# mark inside the box, whose corner is at 7, 82 dialog units (10, 133 pixels).
ticked() {
  ffmpeg -v error -f x11grab -video_size 9x9 -i "$DISPLAY+$((X + 13)),$((Y + 136))" -frames:v 1 \
    -f rawvideo -pix_fmt rgb24 - | od -An -tu1 -v | tr -s ' ' '\n' | grep . | paste - - - |
    awk '$1 < 120 && $3 > 200 { n++ } END { exit n == 0 }'
}
# Waits up to 5 s for the box to show the tick ($1 yes) or not ($1 no).
tick_shows() {
  for _ in $(seq 50); do
    if ticked; then [ "$1" = yes ] && return; else [ "$1" = no ] && return; fi
    sleep 0.1
  done
  fail "\"Reduce flashing\" is not $([ "$1" = yes ] || echo un)ticked: $2"
}

(cd "$scratch" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 120 "$program" >"$scratch/said" 2>&1) &
show=$!
dialog=$(window '^Setup$' "no setup dialog on the display")
# It opens centred on the desktop.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
[ $((2 * X + WIDTH - 1024)) -ge -1 ] && [ $((2 * X + WIDTH - 1024)) -le 1 ] &&
  [ $((2 * Y + HEIGHT - 768)) -ge -1 ] && [ $((2 * Y + HEIGHT - 768)) -le 1 ] ||
  fail "the dialog is not centred on the 1024x768 desktop: ${WIDTH}x$HEIGHT at $X,$Y"
# 800x600 (Tab to the checked resolution, Down moves and checks), 32 bits,
# windowed (Tab past "32" to the check box, Space); "Reduce flashing" (Tab to
# the next box, Space) ticked, and by the mouse unticked and ticked again;
# then Enter for OK.
tick_shows no "at the start"
xdotool windowfocus --sync "$dialog" key Tab Down Tab Tab space Tab space
tick_shows yes "after Tab and Space from Fullscreen"
xdotool mousemove --window "$dialog" 18 141 click 1
tick_shows no "after a click"
xdotool mousemove --window "$dialog" 18 141 click 1
tick_shows yes "after a second click"
xdotool windowfocus --sync "$dialog" key Return
# The title names the mode once it shows the frame rate.
shown=$(window '^FLIPP KROMA.*\(800x600x32\)' "the show opened no window in the mode chosen on the display")
xdotool windowfocus --sync "$shown" key Escape
wait $show || fail "the show ended with status $?"
show=
echo "dialog centred at $X,$Y, \"Reduce flashing\" by keys and mouse, then the show in 800x600x32 on display $DISPLAY;" \
  "Escape ended it"

# "Desktop" (Tab to the checked resolution, Up goes round to the last), full
# screen as the dialog has it: the show covers the display at its own size, 1024x768.
(cd "$scratch" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 120 "$program" >"$scratch/said" 2>&1) &
show=$!
dialog=$(window '^Setup$' "no setup dialog on the display")
xdotool windowfocus --sync "$dialog" key Tab Up Return
shown=$(window '^FLIPP KROMA.*\(1024x768x32\)' "the show opened no window at the desktop's size")
xdotool getwindowgeometry "$shown" | grep -q 'Geometry: 1024x768$' ||
  fail "the desktop's size: $(xdotool getwindowgeometry "$shown")"
xdotool windowfocus --sync "$shown" key Escape
wait $show || fail "the show ended with status $?"
show=
echo "dialog, then the show at the desktop's size, 1024x768; Escape ended it"

# A GL with no multisampled visual at all (Mesa's softpipe): the window opens
# without multisampling, which the show says once.
(cd "$scratch" && env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy GALLIUM_DRIVER=softpipe timeout 60 "$program" \
  --windowed --mode 160x90 --fps 30 --frames 2 --msaa 4 >"$scratch/said" 2>&1) || fail "the show ended with status $?"
[ "$(grep -c 'Multisampling' "$scratch/said")" -eq 1 ] &&
  grep -q '^Multisampling: 4 samples per pixel asked for, the GL gives none$' "$scratch/said" ||
  fail "softpipe's window: not said once that the GL gives no multisampling"
echo "softpipe's window, without multisampling, said once"
