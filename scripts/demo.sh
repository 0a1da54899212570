#!/bin/bash
# The demo: local mail servers with a mailbox of Japanese mails, and a program folder set up
# for them (APOP over STLS with the demo's own certificate authority, ID and password saved).
#   scripts/demo.sh [--dir DIR]      (default /tmp/ricorne-demo; plain ASCII path)
# Press 受信 and the mail arrives; replies land in the senders' mailboxes on the demo servers.
# Closing the program stops the servers. Without a display the program runs under Xvfb and
# scripts/demo/headless-tour.sh takes the tour (受信, 着信履歴, an answer), saving screenshots.
# Runs as root (the servers switch users). Its ports (21110 POP3, 21995 POP3S, 22587 and 22465
# submission, 22525 SMTP) and its own OpenSMTPD stay clear of the test servers, so the test
# suite runs while a demo is open.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$(pwd)
D=/tmp/ricorne-demo
while [ $# -gt 0 ]; do
    case $1 in
        --dir) D=$2; shift 2 ;;
        --dir=*) D=${1#--dir=}; shift ;;
        *) echo "usage: scripts/demo.sh [--dir DIR]" >&2; exit 2 ;;
    esac
done
case $D in /*) ;; *) D=$SRC/$D ;; esac
case $D in *[!A-Za-z0-9/._-]*) echo "demo.sh: the demo folder must be a plain ASCII path: $D" >&2; exit 2 ;; esac
[ "$(id -u)" -eq 0 ] || { echo "demo.sh: run as root (the mail servers switch users)" >&2; exit 2; }

PORTS="21110 21995 22587 22465 22525"
POP3=127.0.0.1:21110
SUBMISSION=127.0.0.1:22587
USER_ID=demo
PASSWORD=demo-pass
H=$D/servers
APP=$D/Ricorne

scripts/deps.sh --test
# Only what the program folder holds: the demo does not wait for the test programs.
scripts/build.sh ricorne ricorne-mailtool cabinet_icon
B=$SRC/${RICORNE_BUILD_DIR:-build}

# Servers first: the program folder needs their CA. The demo's own authority signs the
# server's certificate; the program trusts it through ca-certificates.pem.
mkdir -p "$H/tls"
chmod 755 "$D" "$H"
if [ ! -s "$H/tls/ca.pem" ] || [ ! -s "$H/tls/cert.pem" ] || [ ! -s "$H/tls/key.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Ricorne Demo CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$H/tls/ca-key.pem" -out "$H/tls/ca.pem" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" \
        -keyout "$H/tls/key.pem" -out "$H/tls/server.csr" 2>/dev/null
    printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' \
        > "$H/tls/server.ext"
    openssl x509 -req -in "$H/tls/server.csr" -CA "$H/tls/ca.pem" -CAkey "$H/tls/ca-key.pem" \
        -CAcreateserial -days 3650 -extfile "$H/tls/server.ext" -out "$H/tls/cert.pem" 2>/dev/null
    chmod 600 "$H/tls/key.pem" "$H/tls/ca-key.pem"
fi

stop_servers() { scripts/testservers/stop.sh "$H" >/dev/null || true; }
trap stop_servers EXIT
trap 'exit 130' INT TERM HUP
RICORNE_SERVERS_PORTS=$PORTS RICORNE_SERVERS_USERS=$SRC/scripts/demo/users.passwd \
    RICORNE_SERVERS_PRIVATE=1 scripts/testservers/start.sh "$H"

# The mailbox: every mail of scripts/demo/mails, in name order (POP3 numbers follow it).
MD=$H/mail/$USER_ID/Maildir
n=0
for f in "$SRC"/scripts/demo/mails/*.eml; do
    n=$((n + 1))
    name=$(printf '%s.M%06d.demo' "$(date +%s)" "$n")
    cp "$f" "$MD/tmp/$name"
    chown mail:mail "$MD/tmp/$name"; chmod 644 "$MD/tmp/$name"
    mv "$MD/tmp/$name" "$MD/new/$name"
done
echo "demo mailbox: $n mails for $USER_ID"

# The program folder, made afresh each time: settings in CP932 with CR LF lines.
rm -rf "$APP"
cmake --install "$B" --prefix "$APP" >/dev/null
printf 'SMTP=%s\r\nPOP3=%s\r\nMAIL=%s\r\nAPOP=1\r\n' "$SUBMISSION" "$POP3" "$USER_ID@demo.localhost" \
    > "$APP/klmail.ini"
DATA=$APP/★MailData
printf '[EXEINI]\r\nNAME=%s\r\nNAME2=%s\r\nNAME3=1\r\n' "$USER_ID" "$PASSWORD" > "$DATA/iniIdPass.ini"
chmod 600 "$DATA/iniIdPass.ini"
cp "$H/tls/ca.pem" "$DATA/ca-certificates.pem"
echo "demo program folder: $APP"
echo "replies land in $H/mail/<sender>/Maildir/new (senders: tanaka suzuki sato yamada takahashi news)"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    echo "press 受信, then open 着信履歴 and reply; close the program to stop the servers"
    # In the background, so that a signal to the demo ends the program and the servers at once.
    "$APP/ricorne" & prog=$!
    trap 'kill -TERM $prog 2>/dev/null; exit 130' INT TERM HUP
    wait $prog || true
    exit 0
fi

echo "no display (neither DISPLAY nor WAYLAND_DISPLAY): running under Xvfb; the demo presses 受信 itself"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR
fi
xvfb-run -a -s "-screen 0 800x600x24" bash "$SRC/scripts/demo/headless-tour.sh" "$APP" "$D"
"$APP/ricorne-mailtool" list --appdir "$APP" received > "$D/received.json"
echo "received mails (ricorne-mailtool list): $(grep -o '"subject"' "$D/received.json" | wc -l), listed in $D/received.json"
reply=$(ls -t "$H"/mail/tanaka/Maildir/new/* 2>/dev/null | head -1)
if [ -n "$reply" ]; then echo "the reply arrived in tanaka's mailbox: $reply"; else echo "no reply arrived in tanaka's mailbox" >&2; exit 1; fi
