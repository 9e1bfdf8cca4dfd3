#!/usr/bin/env bash
# A virtual X server for the window tests and the screenshot.
#   xvfb.sh free FIRST          prints the first display number from FIRST on that looks unused
#   xvfb.sh start :N PIDFILE    starts Xvfb on :N and returns once it accepts clients
#   xvfb.sh stop PIDFILE        stops the Xvfb started with that PIDFILE
set -euo pipefail

unused() { [ ! -e "/tmp/.X11-unix/X$1" ] && [ ! -e "/tmp/.X$1-lock" ]; }

# An Xvfb left behind by an interrupted run of ours, found by its PID file.
stop_ours() {
  local pidfile=$1 pid
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  rm -f "$pidfile"
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 0
  kill "$pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "xvfb.sh: Xvfb $pid did not stop" >&2
  return 1
}

case "${1:-}" in
free)
  n=$2
  until unused "$n"; do n=$((n + 1)); done
  echo "$n"
  ;;
start)
  display=$2 pidfile=$3
  stop_ours "$pidfile"
  if ! unused "${display#:}"; then
    echo "xvfb.sh: display $display is taken; configure again to pick a free one" >&2
    exit 1
  fi
  command -v Xvfb >/dev/null || { echo "xvfb.sh: Xvfb is not installed (scripts/setup)" >&2; exit 1; }
  # Its output goes to a file: a test runner waits for every holder of its pipes.
  # -noreset: a server whose last client leaves resets, and would refuse the next test for a
  # moment.
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >"$pidfile.log" 2>&1 &
  echo $! >"$pidfile"
  for _ in $(seq 200); do
    if xdpyinfo -display "$display" >/dev/null 2>&1; then exit 0; fi
    kill -0 "$(cat "$pidfile")" 2>/dev/null || break
    sleep 0.1
  done
  echo "xvfb.sh: Xvfb on $display did not start; see $pidfile.log" >&2
  exit 1
  ;;
stop)
  stop_ours "$2"
  ;;
*)
  echo "usage: xvfb.sh free FIRST | start :N PIDFILE | stop PIDFILE" >&2
  exit 2
  ;;
esac
