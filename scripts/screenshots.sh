#!/bin/bash
# Refreshes every window's screenshot in docs/ (the README and the help page show them) from the
# demo programs and the program itself, on a private Xvfb screen. Needs Xvfb, xdotool and
# ImageMagick's import.   scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$(pwd)
B=$SRC/${RICORNE_BUILD_DIR:-build}
OUT=$SRC/docs

scripts/build.sh ricorne compose_demo history_demo addressbook_demo facemarks_demo settings_demo >/dev/null

WORK=$(mktemp -d)
# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait 2>/dev/null; rm -rf "$WORK"' EXIT
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
[ -s "$WORK/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$WORK/display")
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$WORK/xdg && mkdir -m 0700 "$XDG_RUNTIME_DIR" && export XDG_RUNTIME_DIR
fi

# The largest visible window of a process (its menus open inside it, so they are in the picture).
main_window() {
    local best= area=0 id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ $((WIDTH * HEIGHT)) -gt $area ]; then best=$id area=$((WIDTH * HEIGHT)); fi
    done
    echo "$best"
}

# grab NAME [--wait S] [--then "xdotool args"] -- COMMAND...: docs/NAME.png, the command's window.
grab() {
    local name=$1 wait=1.5 then= pid id=
    shift
    while [ "$1" != "--" ]; do
        case $1 in
            --wait) wait=$2; shift 2 ;;
            --then) then=$2; shift 2 ;;
        esac
    done
    shift
    "$@" >"$WORK/$name.log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        id=$(main_window $pid)
        [ -n "$id" ] && break
        kill -0 $pid 2>/dev/null || { echo "$name: the program ended early" >&2; tail "$WORK/$name.log" >&2; exit 1; }
        sleep 0.1
    done
    [ -n "$id" ] || { echo "$name: no window appeared" >&2; exit 1; }
    if [ -n "$then" ]; then
        sleep 1
        # shellcheck disable=SC2086
        xdotool ${then//WID/$id}
    fi
    sleep "$wait"
    id=$(main_window $pid)
    eval "$(xdotool getwindowgeometry --shell "$id")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT/$name.png"
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null || true
    echo "saved docs/$name.png (${WIDTH}x${HEIGHT})"
}

# The program itself in a throw-away program folder with an account set, so it opens on the
# main window alone.
APP=$WORK/app
mkdir -p "$APP"
cp "$B/bin/ricorne" "$APP/"
cmake -DSRC="$SRC/data" -DDEST="$APP" -P cmake/LayoutData.cmake
cmake -DSRC="$B/generated-data" -DDEST="$APP" -P cmake/LayoutData.cmake
printf 'SMTP=mail.example.jp\r\nPOP3=mail.example.jp\r\nMAIL=taro.yamada@example.jp\r\nAPOP=0\r\n' >"$APP/klmail.ini"

grab mainwindow -- "$APP/ricorne"
# The lever lies at 40,216 (25 x 25 pixels) on the cabinet.
grab mainwindow-spin --wait 0.3 --then "mousemove --window WID 52 228 click 1" -- "$APP/ricorne"
grab compose-window -- "$B/demo/compose_demo" write-wide
grab reply-window -- "$B/demo/compose_demo" back
grab history-viewer -- "$B/demo/history_demo" --click 2
grab history-editor-file-menu -- "$B/demo/history_demo" --click 2 --menu mFile
grab history-editor-edit-menu -- "$B/demo/history_demo" --click 2 --menu medit
grab addressbook -- "$B/demo/addressbook_demo"
grab facemarks -- "$B/demo/facemarks_demo"
grab settings-window -- "$B/demo/settings_demo" set
grab id-password -- "$B/demo/settings_demo" idpass
grab server-settings -- "$B/demo/settings_demo" server
