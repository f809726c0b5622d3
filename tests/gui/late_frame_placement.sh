#!/bin/bash
# The window's remembered place under a window manager that frames it late
# (0.8 s after the program starts, as a busy session does): three starts in
# a row must open, and save, the window where the person left it.
# Usage: late_frame_placement.sh <quillarc binary>. Exit 77: skipped.
set -euo pipefail
quillarc=$1
for tool in Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
display=:$((90 + RANDOM % 800))
cleanup() {
    kill "${app:-}" "${wm:-}" "${xvfb:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A portable copy, so that its program folder is this temporary one, with a
# disk in a folder of its own and its list, so no message waits at start.
cp "$quillarc" "$work/quillarc"
mkdir -p "$work/disk" "$work/source"
printf 'BACKUP1\n' >"$work/disk/.quillarc-label"
printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$work/source" >"$work/BACKUP1.ini"
printf '%s\r\n1\r\n0\r\n-13\r\nMS Sans Serif\r\n10\r\nF\r\nF\r\nF\r\nF\r\n510\r\n150\r\n110\r\n50\r\n700\r\n400\r\n170\r\n170\r\nT\r\n' \
    "$work/disk/" >"$work/config"

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

place() { sed -n '17p;18p' "$work/config" | tr -d '\r' | paste -sd' '; }

# Polls a condition for up to 20 seconds.
await() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
    echo "timed out: $*" >&2
    return 1
}
framed() { xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }

# The window manager runs throughout, but is held for 0.8 s whenever the
# program starts, so that it maps, places and frames the window late.
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for start in 1 2 3; do
    kill -STOP "$wm"
    QT_QPA_PLATFORM=xcb "$work/quillarc" >/dev/null 2>&1 &
    app=$!
    sleep 0.8 # the late window manager: this is the case under test
    kill -CONT "$wm"
    window=$(xdotool search --sync --onlyvisible --name 'Quillarc V.1.4')
    await framed
    sleep 1 # the window settles in its frame before the person closes it
    xdotool windowfocus --sync "$window" key --clearmodifiers ctrl+q
    await eval '! kill -0 "$app" 2>/dev/null'
    echo "start $start: saved place $(place)"
    if [ "$(place)" != "170 170" ]; then
        echo "FAIL: the place moved from 170 170 to $(place)"
        exit 1
    fi
done
echo "the place stayed 170 170 over three starts"
