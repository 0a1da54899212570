#!/bin/bash
# Receiving rows: 500 mails (19 MB) received, stored and deleted over STLS by
# "ricorne-mailtool check" next to mpop delivering into a maildir, on loopback and through a
# relay adding 20 ms round trip; then system calls per received mail under strace -c -f.
#   bench/rows/receive.sh BUILD_DIR RUNS
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
RUNS=${2:-9}
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

# One warm-up pair, then PAIRS pairs, ours and mpop alternating.
for port in 11110 21110; do
    ow=() oc=() pw=() pc=()
    load_watch_start "$WORK/load"
    for i in $(seq 0 "$PAIRS"); do
        ours_run "$port"
        r=$(seconds "$MAILTOOL" check --appdir "$WORK/app"); read -r w c <<<"$r"
        all_taken ricorne
        [ "$i" -gt 0 ] && ow+=("$w") && oc+=("$c")
        peer_run
        r=$(seconds mpop -q -C "$WORK/mpoprc-$port" stls); read -r w c <<<"$r"
        all_taken mpop
        [ "$i" -gt 0 ] && pw+=("$w") && pc+=("$c")
    done
    load_watch_stop
    if [ "$port" = 11110 ]; then
        pair_row "receive + store + delete 500 mails, loopback, STLS (check vs mpop)" 0.7 1.0 \
            "$WORK/load" "${ow[*]}" "${oc[*]}" "${pw[*]}" "${pc[*]}"
    else
        pair_row "the same with 20 ms round trip (delaying relay)" 0.7 - \
            "$WORK/load" "${ow[*]}" "${oc[*]}" "${pw[*]}" "${pc[*]}"
    fi
done

ours=() peer=()
load_watch_start "$WORK/load"
for i in $(seq 0 "$PAIRS"); do
    ours_run 11110
    n=$(syscalls "$MAILTOOL" check --appdir "$WORK/app")
    all_taken ricorne
    [ "$i" -gt 0 ] && ours+=("$n")
    peer_run
    n=$(syscalls mpop -q -C "$WORK/mpoprc-11110" stls)
    all_taken mpop
    [ "$i" -gt 0 ] && peer+=("$n")
done
load_watch_stop
# Counts do not depend on load, but the line keeps the same form.
pair_row "system calls per received mail (strace -c -f, 500 mails)" 0.9 - "$WORK/load" \
    "${ours[*]}" "" "${peer[*]}" "" 500 calls
