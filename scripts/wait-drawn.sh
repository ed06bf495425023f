#!/bin/sh
# wait-drawn.sh PID SHOT NAME: waits, inside an X session, until the program PID has drawn
# something (the screen of a fresh X server is one colour), taking screenshots into SHOT; fails,
# naming the program NAME, when it ends first or shows nothing in 60 seconds (then it is killed).
set -u
window=$1
shot=$2
name=$3
tries=0
while :; do
    sleep 1
    if ! kill -0 "$window" 2>/dev/null; then
        echo "$name ended at once." >&2
        exit 1
    fi
    import -window root "$shot" 2>/dev/null || true
    if [ -f "$shot" ] &&
        [ "$(convert "$shot" -format "%[fx:standard_deviation > 0.01]" info:)" = 1 ]; then
        exit 0
    fi
    tries=$((tries + 1))
    if [ "$tries" -ge 60 ]; then
        echo "$name showed nothing in 60 seconds." >&2
        kill "$window"
        exit 1
    fi
done
