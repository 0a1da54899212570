#!/bin/bash
# Sending row: one mail to each of 200 address-book entries through Dovecot's submission
# service (STARTTLS + AUTH) by "ricorne-mailtool send --batch", next to msmtp run once per
# mail as a user would script it.
#   bench/rows/send.sh BUILD_DIR RUNS
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
RUNS=${2:-9}
WORK=/tmp/ricorne-bench-work
COUNT=200
. "$ROOT/bench/rows/mailbench.sh"
command -v msmtp >/dev/null || { echo "msmtp missing" >&2; exit 1; }

start_servers

BODY='こんにちは。一斉送信の性能測定です。
吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。
何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。'
printf '%s\n' "$BODY" > "$WORK/body.txt"
# The same mail as msmtp gets it: ISO-2022-JP body, encoded subject.
/usr/bin/python3 - "$WORK/body.txt" "$WORK/msmtp-mail.txt" <<'PY'
import sys
from email.header import Header
body = open(sys.argv[1], encoding="utf-8").read().replace("\n", "\r\n")
head = ("From: bench@localhost\r\nSubject: %s\r\nMIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
        % Header("一斉送信", "iso-2022-jp").encode())
open(sys.argv[2], "wb").write(head.encode() + body.encode("iso-2022-jp"))
PY
cat > "$WORK/msmtprc" <<RC
defaults
tls on
tls_starttls on
tls_trust_file $CA
logfile -

account bench
host 127.0.0.1
port 12587
auth on
user bench
password benchpw
from bench@localhost
RC
chmod 600 "$WORK/msmtprc"

msmtp_batch() {
    local i
    for i in $(seq 1 "$COUNT"); do
        msmtp -C "$WORK/msmtprc" -a bench "bench@host$i.example" < "$WORK/msmtp-mail.txt" || return 1
    done
}
ricorne_batch() {
    "$MAILTOOL" send --appdir "$WORK/sendapp" --subject 一斉送信 --body-file "$WORK/body.txt" --batch
}
# Delivery to the mailbox runs after the client is done; wait for it so it does not load
# the next run, and check that every mail arrived.
delivered() {
    local n
    for _ in $(seq 1 600); do
        n=$(find "$MAILDIR/new" -type f | wc -l)
        [ "$n" -ge "$COUNT" ] && return 0
        sleep 0.05
    done
    echo "$1: only $n of $COUNT mails delivered" >&2
    exit 1
}

ow=() oc=() pw=() pc=()
load_watch_start "$WORK/load"
for i in $(seq 0 "$PAIRS"); do
    fresh_appdir "$WORK/sendapp" "127.0.0.1:11110" "127.0.0.1:12587" "$COUNT" > /dev/null
    empty_mailbox
    r=$(seconds ricorne_batch); read -r w c <<<"$r"
    delivered ricorne
    [ "$i" -gt 0 ] && ow+=("$w") && oc+=("$c")
    empty_mailbox
    r=$(seconds msmtp_batch); read -r w c <<<"$r"
    delivered msmtp
    [ "$i" -gt 0 ] && pw+=("$w") && pc+=("$c")
done
load_watch_stop
pair_row "batch send to 200 address-book entries, submission STARTTLS + AUTH (send --batch vs msmtp per mail)" \
    0.5 - "$WORK/load" "${ow[*]}" "${oc[*]}" "${pw[*]}" "${pc[*]}"
