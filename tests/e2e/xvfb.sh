#!/usr/bin/env bash
# The X server of the end-to-end tests (CTest fixture kelvra_xvfb).
#
#   xvfb.sh start STATE_DIR   start a private Xvfb on a free display; writes
#                             STATE_DIR/display (":N") once it accepts clients
#   xvfb.sh stop STATE_DIR    stop it and remove the state
#
# -noreset keeps the server alive when its last client leaves, so the next
# test can connect.
set -euo pipefail

cmd=${1:?start or stop}
dir=${2:?state folder}
mkdir -p "$dir"

stop() {
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        # Only our own server, never a process that reused the number.
        if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "Xvfb" ]; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    rm -f "$dir/pid" "$dir/display" "$dir/displayfd"
}

case "$cmd" in
start)
    stop # a run that was cut short may have left one behind
    : > "$dir/displayfd"
    # No inherited pipes: CTest waits for every holder of its output pipes.
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 \
        3> "$dir/displayfd" < /dev/null > "$dir/xvfb.log" 2>&1 &
    pid=$!
    echo "$pid" > "$dir/pid"
    for _ in $(seq 100); do
        # Xvfb writes the number and a newline when it is ready.
        if [ "$(tail -c 1 "$dir/displayfd" | od -An -c | tr -d ' ')" = '\n' ]; then
            echo ":$(head -n 1 "$dir/displayfd")" > "$dir/display"
            echo "Xvfb $(cat "$dir/display") (pid $pid)"
            exit 0
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "Xvfb ended at start:" >&2
            cat "$dir/xvfb.log" >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "Xvfb did not report a display within 10 s" >&2
    stop
    exit 1
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
