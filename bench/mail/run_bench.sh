#!/bin/bash
# Receive-and-delete of the 500-mail corpus from the local Dovecot through our mail component
# (decoding every mail and writing its attachments) next to mpop retrieving the same corpus
# into a maildir, on plain loopback and through a relay that holds every chunk 10 ms in each
# direction (20 ms round trip); then decoding speed alone. Medians of RUNS runs.
#   bench/mail/run_bench.sh BUILD_DIR [RUNS]
# Needs: root, the test-server packages, mpop, python3; the corpus generator from the shared
# reference folder (RICORNE_SHARED, default: the "shared" folder beside the repository).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [RUNS]" >&2; exit 2; }
BUILD=$(cd "$1" && pwd)
RUNS=${2:-5}
BENCH=$BUILD/bench/bench_mail
H=/tmp/ricorne-bench-servers
W=/tmp/ricorne-bench-work
SHARED=${RICORNE_SHARED:-$ROOT/../shared}
GEN=$SHARED/reference/mail-servers/bench/gen_corpus.py
[ -x "$BENCH" ] || { echo "build bench_mail first: cmake --build $BUILD --target bench_mail" >&2; exit 1; }
[ -f "$GEN" ] || { echo "corpus generator not found: $GEN" >&2; exit 1; }
command -v mpop >/dev/null || { echo "mpop missing" >&2; exit 1; }

mkdir -p "$W"
[ -d "$W/corpus" ] || /usr/bin/python3 "$GEN" "$W/corpus" >/dev/null
relay_pid=
cleanup() {
    [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null && wait "$relay_pid" 2>/dev/null
    "$ROOT/scripts/testservers/stop.sh" "$H" >/dev/null || true
}
trap cleanup EXIT
"$ROOT/scripts/testservers/start.sh" "$H" >/dev/null
cp "$H/tls/cert.pem" "$W/ca.pem"
RELAY=$BUILD/bench/bench_delay_relay
[ -x "$RELAY" ] || { echo "build bench_delay_relay first: cmake --build $BUILD --target bench_delay_relay" >&2; exit 1; }
"$RELAY" 21110 11110 10 >/dev/null &
relay_pid=$!
for i in $(seq 1 200); do (exec 3<>/dev/tcp/127.0.0.1/21110) 2>/dev/null && break; sleep 0.01; done

MD=$H/mail/bench/Maildir
refill() {
    rm -rf "$MD" "$W/out" "$W/attach" "$W/mpop-uidls"
    mkdir -p "$MD/tmp" "$MD/cur" "$W/out/tmp" "$W/out/new" "$W/out/cur" "$W/attach"
    cp -r "$W/corpus" "$MD/new"
    chown -R mail:mail "$MD"
    sync
}
left() { find "$MD/new" "$MD/cur" -type f | wc -l; }

for port in 11110 21110; do
    cat > "$W/mpoprc-$port" <<RC
defaults
keep off
only_new off
received_header off
uidls_file $W/mpop-uidls
host 127.0.0.1
port $port
auth user
user bench
password benchpw
delivery maildir $W/out

account plain
tls off

account stls
tls on
tls_starttls on
tls_trust_file $W/ca.pem
RC
    chmod 600 "$W/mpoprc-$port"
done

: > "$W/results.txt"
measure() {  # label command...
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$W/time.txt" "$@" > "$W/out.txt"
    read -r secs kb < "$W/time.txt"
    [ "$(left)" -eq 0 ] || { echo "$label left $(left) mails on the server" >&2; exit 1; }
    echo "$label $secs $kb" >> "$W/results.txt"
}
for port in 11110 21110; do
    for r in $(seq 1 "$RUNS"); do
        refill; measure "ricorne(STLS)@$port" "$BENCH" receive "127.0.0.1:$port" bench benchpw "$W/attach" "$W/ca.pem"
        refill; measure "mpop(STLS)@$port" mpop -q -C "$W/mpoprc-$port" stls
        refill; measure "mpop(plain)@$port" mpop -q -C "$W/mpoprc-$port" plain
    done
done
/usr/bin/python3 - "$W/results.txt" <<'PY'
import sys, statistics, collections
rows = collections.OrderedDict()
for line in open(sys.argv[1]):
    label, secs, kb = line.split()
    rows.setdefault(label, []).append((float(secs), int(kb)))
print("%-24s %10s %14s  (runs)" % ("client@port", "median s", "median peak KB"))
for label, v in rows.items():
    print("%-24s %10.3f %14d  (%d)" % (label, statistics.median(s for s, _ in v),
                                        statistics.median(k for _, k in v), len(v)))
PY
"$BENCH" decode "$W/corpus" 5
