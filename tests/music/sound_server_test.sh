#!/usr/bin/env bash
# The show played live through a real sound server: a private PulseAudio
# daemon with a null sink, the show in a window on Xvfb, at the server's
# default latency, at 60 ms and at 200 ms (PULSE_LATENCY_MSEC). For a few
# seconds of each (FK_SOUND_SECONDS, default 5), the probe records the sink's
# monitor and checks the show's record of what each frame was drawn for
# (song position and song time) against where the heard song was when the
# position was asked, and that the heard song has no gap. The null sink,
# idle until the show plays, holds over a second in front of a new stream:
# the song time must count from when the song is heard all the same. Then
# the server goes away under the playing show.
# Skipped (status 77) where the daemon cannot start.
set -euo pipefail
program=$(realpath "$1")
probe=$(realpath "$2")
song=$(dirname "$program")/data/ko-trampelin.it
seconds=${FK_SOUND_SECONDS:-5}
start_order=4  # the main title: steady music, and llvmpipe busy on both cores
skip() { echo "SKIPPED: $*"; exit 77; }
command -v pulseaudio >/dev/null || skip "no PulseAudio daemon (Debian's pulseaudio package)"
command -v Xvfb >/dev/null || skip "no Xvfb"

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A daemon of our own: its own runtime, state and home folders, so that it
# meets no other server or user's settings, as root too.
export XDG_RUNTIME_DIR=$scratch/runtime PULSE_RUNTIME_PATH=$scratch/runtime/pulse
export PULSE_STATE_PATH=$scratch/state HOME=$scratch/home PULSE_SERVER=unix:$scratch/runtime/pulse/native
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$PULSE_STATE_PATH" "$HOME"
cat >"$scratch/server.pa" <<EOF
load-module module-null-sink sink_name=heard
set-default-sink heard
load-module module-native-protocol-unix auth-anonymous=1 socket=$scratch/runtime/pulse/native
EOF
pulseaudio -n -F "$scratch/server.pa" --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
  --disallow-module-loading --log-target=stderr >"$scratch/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$scratch/runtime/pulse/native" ] && break; sleep 0.1; done
if ! [ -S "$scratch/runtime/pulse/native" ]; then
  cat "$scratch/server.log" >&2
  skip "the PulseAudio daemon did not start"
fi

exec 3>"$scratch/display"
# -noreset: an X server whose last client leaves starts afresh, and refuses
# the next program that connects meanwhile (one run's end, the next's start).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")

# Asked to end, the show quits with its status; one stuck in the GL driver's
# tear-down (seen once on a loaded machine) is ended after 10 s.
end_show() {
  kill "$show" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$show" 2>/dev/null || break; sleep 0.2; done
  kill -KILL "$show" 2>/dev/null || true
  wait "$show"
}

# A machine busy with other work can starve the sound for a moment, which the
# gap check rightly sees; so a latency fails only when a second run fails
# too. A fault in what is counted fails every run.
failed=0
for latency in default 60 200; do
  for attempt in 1 2; do
    record=$scratch/frames-$latency-$attempt
    asked=()
    [ "$latency" = default ] || asked=(PULSE_LATENCY_MSEC="$latency")
    env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u PULSE_LATENCY_MSEC FK_FRAME_RECORD="$record" "${asked[@]}" \
      "$program" --windowed --mode 480x270 --start-order $start_order >"$scratch/show.log" 2>&1 &
    show=$!
    pids+=($show)
    passed=1
    result=$("$probe" "$song" $start_order heard.monitor "$record" "$seconds" 2>&1) || passed=0
    end_show || true
    echo "latency $latency, run $attempt: $result"
    grep -v "^$" "$scratch/show.log" | sed 's/^/  show: /' || true
    if [ $passed -eq 1 ]; then break; fi
    if [ $attempt -eq 2 ]; then failed=1; fi
  done
done
[ $failed -eq 0 ] || { echo "the picture or the song time left the heard song, or the song ran dry" >&2; exit 1; }

# The server goes away while the show plays: the show says so once and goes
# on silent on its timer.
record=$scratch/frames-lost
env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u PULSE_LATENCY_MSEC FK_FRAME_RECORD="$record" \
  "$program" --windowed --mode 160x90 --start-order $start_order >"$scratch/show.log" 2>&1 &
show=$!
pids+=($show)
for _ in $(seq 200); do [ -s "$record" ] && break; sleep 0.1; done
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null || true
sleep 2
kill -0 "$show" 2>/dev/null || { cat "$scratch/show.log" >&2; echo "the show ended when the server went away" >&2; exit 1; }
end_show || { echo "the show ended with status $? after the server went away" >&2; exit 1; }
grep -q "the audio device has gone" "$scratch/show.log" ||
  { cat "$scratch/show.log" >&2; echo "the show did not notice the server going away" >&2; exit 1; }
echo "server gone: the show said so and went on"
