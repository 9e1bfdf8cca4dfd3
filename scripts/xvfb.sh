#!/usr/bin/env bash
# A virtual X server for the window tests and the screenshot.
#   xvfb.sh free FIRST          prints the first display number from FIRST on that looks unused
#   xvfb.sh start :N PIDFILE    starts Xvfb on :N and returns once it accepts clients
#   xvfb.sh stop PIDFILE        stops the Xvfb started with that PIDFILE
set -euo pipefail

unused() { [ ! -e "/tmp/.X11-unix/X$1" ] && [ ! -e "/tmp/.X$1-lock" ]; }

# Ours only: the PID file's process, if it still is an Xvfb (an interrupted run leaves one).
stop() {
  [ -f "$1" ] || return 0
  local pid
  pid=$(cat "$1")
  rm -f "$1"
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 0
  kill "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
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
  stop "$3"
  unused "${2#:}" || { echo "xvfb.sh: display $2 is taken; configure again to pick another" >&2; exit 1; }
  command -v Xvfb >/dev/null || { echo "xvfb.sh: Xvfb is not installed (scripts/setup)" >&2; exit 1; }
  # Output to a file: a test runner waits for every holder of its pipes. -noreset: a server
  # whose last client leaves resets, and would refuse the next test for a moment.
  Xvfb "$2" -screen 0 1280x1024x24 -nolisten tcp -noreset </dev/null >"$3.log" 2>&1 &
  echo $! >"$3"
  for _ in $(seq 200); do
    xdpyinfo -display "$2" >/dev/null 2>&1 && exit 0
    kill -0 "$(cat "$3")" 2>/dev/null || break
    sleep 0.1
  done
  echo "xvfb.sh: Xvfb on $2 did not start; see $3.log" >&2
  exit 1
  ;;
stop) stop "$2" ;;
*)
  echo "usage: xvfb.sh free FIRST | start :N PIDFILE | stop PIDFILE" >&2
  exit 2
  ;;
esac
