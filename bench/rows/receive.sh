#!/bin/bash
# Receiving rows: 500 mails (19 MB) received, stored and deleted over STLS by
# "ricorne-mailtool check" next to mpop delivering into a maildir, on loopback and through a
# relay adding 20 ms round trip; then system calls per received mail under strace -c -f.
#   bench/rows/receive.sh BUILD_DIR RUNS
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
RUNS=${2:-5}
WORK=/tmp/ricorne-bench-work
. "$ROOT/bench/rows/mailbench.sh"
command -v mpop >/dev/null || { echo "mpop missing" >&2; exit 1; }
command -v strace >/dev/null || { echo "strace missing" >&2; exit 1; }

corpus
start_servers
start_relay 21110 11110 10

for port in 11110 21110; do
    cat > "$WORK/mpoprc-$port" <<RC
defaults
keep off
only_new off
received_header off
uidls_file $WORK/mpop-uidls
host 127.0.0.1
port $port
auth user
user bench
password benchpw
delivery maildir $WORK/mpop-out
tls on
tls_starttls on
tls_trust_file $CA

account stls
RC
    chmod 600 "$WORK/mpoprc-$port"
done

ours_run() {  # PORT
    fresh_appdir "$WORK/app" "127.0.0.1:$1" "127.0.0.1:12587" > /dev/null
    refill
}
peer_run() {
    rm -rf "$WORK/mpop-out" "$WORK/mpop-uidls"
    mkdir -p "$WORK/mpop-out/tmp" "$WORK/mpop-out/new" "$WORK/mpop-out/cur"
    refill
}
all_taken() {
    [ "$(left_on_server)" -eq 0 ] || { echo "$1 left $(left_on_server) mails on the server" >&2; exit 1; }
}

for port in 11110 21110; do
    ours=() peer=()
    for _ in $(seq 1 "$RUNS"); do
        ours_run "$port"
        ours+=("$(seconds "$MAILTOOL" check --appdir "$WORK/app")")
        all_taken ricorne
        peer_run
        peer+=("$(seconds mpop -q -C "$WORK/mpoprc-$port" stls)")
        all_taken mpop
    done
    if [ "$port" = 11110 ]; then
        label="receive + store + delete 500 mails, loopback, STLS (check vs mpop)"
        target=0.7
    else
        label="the same with 20 ms round trip (delaying relay)"
        target=0.9
    fi
    row "$label" s "$target" "${ours[*]}" "${peer[*]}"
done

ours=() peer=()
for _ in $(seq 1 "$RUNS"); do
    ours_run 11110
    ours+=("$(syscalls "$MAILTOOL" check --appdir "$WORK/app")")
    all_taken ricorne
    peer_run
    peer+=("$(syscalls mpop -q -C "$WORK/mpoprc-11110" stls)")
    all_taken mpop
done
row "system calls per received mail (strace -c -f, 500 mails)" calls 1.5 "${ours[*]}" "${peer[*]}" 500
