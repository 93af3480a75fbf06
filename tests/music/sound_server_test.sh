#!/usr/bin/env bash
# The show played live through real sound servers: a private PulseAudio
# daemon, then a private PipeWire with its PulseAudio layer, each with a null
# sink, the show in a window on Xvfb, at the server's default latency, at
# 60 ms and at 200 ms (PULSE_LATENCY_MSEC). For a few seconds of each
# (FK_SOUND_SECONDS, default 5), the probe records the sink's monitor and
# checks the show's record of what each frame was drawn for (song position
# and song time) against what was heard when the frame was shown, and that
# the heard song has no gap. The null sink, idle until the show plays, may
# hold over a second in front of a new stream: the song time must count from
# when the song is heard all the same. Then the server goes away under the
# playing show.
# A server that is not installed, or cannot start, is skipped, saying so;
# with neither, the test is (status 77). FK_SOUND_SERVERS names fewer.
#
# With --wine, the Windows build under wine (WINEPREFIX and the rest as the
# caller has them), whose sound reaches the PulseAudio daemon through wine's
# own driver, at the default latency and 200 ms: the song must be heard and
# the show must survive the server, and the figures are printed but not
# judged (wine's audio clock does not follow what the daemon plays: see
# README, Sound).
set -euo pipefail
run=()                    # what the program runs under
servers=${FK_SOUND_SERVERS:-pulseaudio pipewire}
latencies=(default 60 200)
judge=()                  # the probe's limits, where they differ
record_drive=""           # how the program names a path of ours
if [ "$1" = --wine ]; then
  shift
  run=(wine)
  servers=pulseaudio
  latencies=(default 200)
  # Wine's performance counter, the program's clock, is CLOCK_MONOTONIC_RAW.
  judge=(--listen-only --raw-clock)
  record_drive=Z:
fi
program=$(realpath "$1")
probe=$(realpath "$2")
song=$(dirname "$program")/data/ko-trampelin.it
seconds=${FK_SOUND_SECONDS:-5}
start_order=4  # the main title: steady music, and llvmpipe busy on both cores
command -v Xvfb >/dev/null || { echo "SKIPPED: no Xvfb"; exit 77; }
[ ${#run[@]} -eq 0 ] || command -v xdotool >/dev/null || { echo "SKIPPED: no xdotool"; exit 77; }

scratch=$(mktemp -d)
pids=()    # everything this test started, ended at its end
server=()  # the sound server's processes, the one the show talks to first
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

exec 3>"$scratch/display"
# -noreset: an X server whose last client leaves starts afresh, and refuses
# the next program that connects meanwhile (one run's end, the next's start).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")

# Every server gets its own runtime, state and home folders, so that it
# meets no other server or user's settings, as root too.
private_folders() {
  local home=$scratch/$1
  export XDG_RUNTIME_DIR=$home/runtime PULSE_RUNTIME_PATH=$home/runtime/pulse PULSE_STATE_PATH=$home/state
  export HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state
  export PULSE_SERVER=unix:$home/runtime/pulse/native
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$PULSE_STATE_PATH" "$HOME" "$XDG_CONFIG_HOME"
}

# Waits for the server's socket; false, after its log, when it never comes.
await_socket() {
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pulse/native" ] && return 0; sleep 0.1; done
  cat "$scratch"/*.log >&2
  return 1
}

start_pulseaudio() {
  command -v pulseaudio >/dev/null || { why="not installed (Debian's pulseaudio)"; return 1; }
  private_folders pulseaudio
  cat >"$scratch/server.pa" <<EOF2
load-module module-null-sink sink_name=heard
set-default-sink heard
load-module module-native-protocol-unix auth-anonymous=1 socket=$XDG_RUNTIME_DIR/pulse/native
EOF2
  pulseaudio -n -F "$scratch/server.pa" --daemonize=no --system=no --exit-idle-time=-1 --use-pid-file=no \
    --disallow-module-loading --log-target=stderr >"$scratch/pulseaudio.log" 2>&1 &
  server=($!)
  pids+=($!)
  await_socket || { why="the daemon did not start"; return 1; }
}

# PipeWire, its session manager and its PulseAudio layer, on a session bus of
# their own (the session manager will not start without one).
start_pipewire() {
  local tool
  for tool in pipewire wireplumber pipewire-pulse pw-metadata dbus-daemon pactl; do
    command -v $tool >/dev/null || { why="no $tool (Debian's pipewire, wireplumber, pipewire-pulse)"; return 1; }
  done
  private_folders pipewire
  dbus-daemon --session --nofork --nopidfile --print-address 4 4>"$scratch/bus" >"$scratch/dbus.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$scratch/bus" ] && break; sleep 0.1; done
  export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$scratch/bus")
  pipewire >"$scratch/pipewire.log" 2>&1 &
  pids+=($!)
  local core=$!
  wireplumber >"$scratch/wireplumber.log" 2>&1 &
  pids+=($!)
  pipewire-pulse >"$scratch/pipewire-pulse.log" 2>&1 &
  pids+=($!)
  server=($! $core)
  await_socket || { why="pipewire-pulse did not start"; return 1; }
  pactl load-module module-null-sink sink_name=heard rate=44100 >/dev/null || { why="no null sink"; return 1; }
  # (The default is the session manager's to keep, once it is up.)
  for _ in $(seq 50); do pactl set-default-sink heard 2>/dev/null && break; sleep 0.1; done
  [ "$(pactl get-default-sink)" = heard ] || { why="the null sink cannot be the default"; return 1; }
  # The sink's own latency held low, as the PulseAudio daemon's is by the
  # probe's short fragments: a graph cycle of 128 frames (2.9 ms). A sink
  # without a device has no delay of its own to report, and a cycle's data
  # may count as heard anywhere within the cycle. The graph runs at the
  # song's rate, so that the recording matches the song sample for sample.
  pw-metadata -n settings 0 clock.force-rate 44100 >/dev/null
  pw-metadata -n settings 0 clock.force-quantum 128 >/dev/null
}

# Asked to end, the show quits with its status; one stuck in the GL driver's
# tear-down (seen once on a loaded machine) is ended after 10 s. Under wine
# a signal ends the process at once, its buffered messages unwritten: there
# the show is asked as a viewer asks it, with Escape.
end_show() {
  if [ ${#run[@]} -eq 0 ]; then
    kill "$show" 2>/dev/null || true
  else
    xdotool search --name "FLIPP KROMA" key Escape >/dev/null 2>&1 || true
  fi
  for _ in $(seq 50); do kill -0 "$show" 2>/dev/null || break; sleep 0.2; done
  kill -KILL "$show" 2>/dev/null || true
  wait "$show"
}

# A machine busy with other work can starve the sound for a moment, which the
# gap check rightly sees; so a latency fails only when a second run fails
# too. A fault in what is counted fails every run.
play_latencies() {
  local latency attempt record result passed asked
  for latency in "${latencies[@]}"; do
    for attempt in 1 2; do
      record=$scratch/frames-$1-$latency-$attempt
      asked=()
      [ "$latency" = default ] || asked=(PULSE_LATENCY_MSEC="$latency")
      env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u PULSE_LATENCY_MSEC FK_FRAME_RECORD="$record_drive$record" \
        "${asked[@]}" "${run[@]}" "$program" --windowed --mode 480x270 --start-order $start_order \
        >"$scratch/show.log" 2>&1 &
      show=$!
      pids+=($show)
      passed=1
      result=$("$probe" "$song" $start_order heard.monitor "$record" "$seconds" "${judge[@]}" 2>&1) || passed=0
      end_show || true
      echo "$1, latency $latency, run $attempt: $result"
      grep -v "^$" "$scratch/show.log" | sed 's/^/  show: /' || true
      if [ $passed -eq 1 ]; then break; fi
      if [ $attempt -eq 2 ]; then failed=1; fi
    done
  done
}

# The server goes away while the show plays: the show says so once and goes
# on silent on its timer.
lose_server() {
  local record=$scratch/frames-$1-lost
  env -u SDL_VIDEODRIVER -u SDL_AUDIODRIVER -u PULSE_LATENCY_MSEC FK_FRAME_RECORD="$record_drive$record" \
    "${run[@]}" "$program" --windowed --mode 160x90 --start-order $start_order >"$scratch/show.log" 2>&1 &
  show=$!
  pids+=($show)
  for _ in $(seq 200); do [ -s "$record" ] && break; sleep 0.1; done
  kill "${server[@]}"
  wait "${server[@]}" 2>/dev/null || true
  sleep 2
  local status=0
  if ! kill -0 "$show" 2>/dev/null; then
    cat "$scratch/show.log" >&2
    echo "$1: the show ended when the server went away" >&2
    failed=1
    return
  fi
  end_show || status=$?
  if [ $status -ne 0 ]; then
    echo "$1: the show ended with status $status after the server went away" >&2
    failed=1
  elif ! grep -q "the audio device has gone" "$scratch/show.log"; then
    cat "$scratch/show.log" >&2
    echo "$1: the show did not notice the server going away" >&2
    failed=1
  else
    echo "$1: server gone, the show said so and went on"
  fi
}

failed=0
played=0
for name in $servers; do
  why=""
  if start_$name; then
    play_latencies $name
    lose_server $name
    played=$((played + 1))
  else
    echo "SKIPPED $name: $why"
  fi
done
[ $played -gt 0 ] || exit 77
[ $failed -eq 0 ] || { echo "the picture or the song time left the heard song, or the song ran dry" >&2; exit 1; }
