#!/bin/sh
# Starts or stops the private virtual X server that the display tests share.
#   xvfb.sh start STATEFILE   writes ":N PID" to STATEFILE once the server accepts clients
#   xvfb.sh stop STATEFILE
set -e
cmd=$1 state=$2
case "$cmd" in
start)
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd picks a free display number and writes it when the server is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset +extension GLX \
       3>"$fifo" >/dev/null 2>&1 &
  pid=$!
  num=$(timeout 20 head -n1 "$fifo" || true)
  rm -f "$fifo"
  if [ -z "$num" ]; then
    kill "$pid" 2>/dev/null || true
    echo "xvfb.sh: Xvfb did not start" >&2
    exit 1
  fi
  echo ":$num $pid" > "$state"
  ;;
stop)
  [ -f "$state" ] || exit 0
  pid=$(cut -d' ' -f2 "$state")
  kill "$pid" 2>/dev/null || true
  rm -f "$state"
  ;;
*) echo "usage: xvfb.sh start|stop STATEFILE" >&2; exit 2 ;;
esac
