#!/bin/bash
# Run by scripts/demo.sh inside Xvfb: starts the demo program, presses 受信, answers the
# message boxes the check shows (saving a picture of each), opens 着信履歴, replies to the
# mail shown there and waits for the reply in its sender's mailbox, saving screenshots along
# the way.   headless-tour.sh PROGRAM_DIR DEMO_DIR
set -u
APP=$1
D=$2
"$APP/ricorne" & pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT

shot() { import -window root "$D/$1.png" && echo "screenshot: $D/$1.png"; }
count() { "$APP/ricorne-mailtool" list --appdir "$APP" received 2>/dev/null | grep -o '"subject"' | wc -l; }
# Windows of the program other than the main one: message boxes and opened windows.
others() { xdotool search --onlyvisible --pid $pid 2>/dev/null | grep -vx "$main" || true; }

main=
for _ in $(seq 1 100); do
    main=$(xdotool search --onlyvisible --name 'リコルネ' 2>/dev/null | head -1)
    [ -n "$main" ] && break
    kill -0 $pid 2>/dev/null || { echo "ricorne did not stay up" >&2; exit 1; }
    sleep 0.1
done
[ -n "$main" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1
shot screenshot-start

# 受信 is the second plate under the reels (centre 84,291 in the window).
xdotool mousemove --window "$main" 84 291 click 1
# The check is over when the stored mails stop growing and no message box waits for OK.
last=-1; still=0; boxes=0
for _ in $(seq 1 240); do
    sleep 0.5
    for w in $(others); do
        boxes=$((boxes + 1))
        shot "screenshot-message-$boxes"
        xdotool key --window "$w" Return >/dev/null 2>&1
        still=0
    done
    n=$(count)
    if [ "$n" -eq "$last" ] && [ "$n" -gt 0 ]; then still=$((still + 1)); else still=0; fi
    last=$n
    [ "$still" -ge 6 ] && break
done
shot screenshot-received

# 着信履歴: the plate below 受信.
xdotool mousemove --window "$main" 88 311 click 1
sleep 2
shot screenshot-history
echo "windows: $(for w in $(others); do printf '%s ' "$(xdotool getwindowname "$w")"; done)"

# The first mail (田中's welcome), 返事を書く, a line typed at the top of the body, 送信.
# Without a window manager every window opens at the screen's top left corner: the first row
# lies at 100,106 and the viewer's button at 248,65.
xdotool mousemove 100 106 click 1
sleep 1
shot screenshot-history-first
xdotool mousemove 248 65 click 1
sleep 1
reply=$(xdotool search --onlyvisible --name '返事を書く' 2>/dev/null | head -1)
box=$(ls "$D/servers/mail/tanaka/Maildir/new" | wc -l)
if [ -n "$reply" ]; then
    xdotool mousemove --window "$reply" 60 130 click 1
    xdotool key --window "$reply" ctrl+Home
    xdotool type --window "$reply" --delay 20 'sanka shimasu. (demo)'
    xdotool key --window "$reply" Return
    send="$reply 48 20"
else
    # A build whose viewer cannot reply yet: the same answer as a new mail (新規作成).
    echo "返事を書く did not open a reply window: writing to tanaka from 新規作成 instead"
    xdotool windowraise "$main"
    xdotool mousemove --window "$main" 84 272 click 1
    sleep 1
    compose=$(xdotool search --onlyvisible --name '新規作成' 2>/dev/null | head -1)
    [ -n "$compose" ] || { echo "新規作成 did not open" >&2; exit 1; }
    xdotool mousemove --window "$compose" 264 90 click 1
    xdotool type --window "$compose" --delay 20 'tanaka@demo.localhost'
    xdotool mousemove --window "$compose" 264 114 click 1
    xdotool type --window "$compose" --delay 20 'Re: welcome'
    xdotool mousemove --window "$compose" 200 300 click 1
    xdotool type --window "$compose" --delay 20 'sanka shimasu. (demo)'
    send="$compose 67 21"
fi
sleep 0.5
shot screenshot-reply
read -r w x y <<< "$send"
xdotool mousemove --window "$w" "$x" "$y" click 1
for _ in $(seq 1 60); do
    sleep 0.5
    [ "$(ls "$D/servers/mail/tanaka/Maildir/new" | wc -l)" -gt "$box" ] && break
done
sleep 1
shot screenshot-sent
for w in $(others); do xdotool key --window "$w" Return >/dev/null 2>&1; done
