# Shared by the mail rows (sourced, not run): the test servers in a harness of their own, the
# corpus, program folders and system-call counts (timing and the table line: pairs.sh).
# Expects ROOT, BUILD, RUNS, WORK.
SHARED=${RICORNE_SHARED:-$ROOT/../shared}
MAILTOOL=${RICORNE_MAILTOOL:-$BUILD/bin/ricorne-mailtool}
APPDIR_TOOL=$BUILD/bench/bench_appdir
HARNESS=/tmp/ricorne-bench-servers
MAILDIR=$HARNESS/mail/bench/Maildir
CA=$WORK/ca.pem
mkdir -p "$WORK"
. "$ROOT/bench/rows/pairs.sh"
PAIRS=$(pairs_count "$RUNS")

[ -x "$MAILTOOL" ] || { echo "missing $MAILTOOL: build first" >&2; exit 1; }
[ -x "$APPDIR_TOOL" ] || { echo "missing $APPDIR_TOOL: cmake --build $BUILD --target bench_appdir" >&2; exit 1; }

relay_pid=
stop_servers() {
    if [ -n "$relay_pid" ]; then kill "$relay_pid" 2>/dev/null; wait "$relay_pid" 2>/dev/null; fi
    relay_pid=
    "$ROOT/scripts/testservers/stop.sh" "$HARNESS" >/dev/null 2>&1 || true
}
# start.sh takes the machine-wide test-server lock, so a test run elsewhere waits for us and we
# for it; stop as soon as the row is measured.
start_servers() {
    trap stop_servers EXIT
    "$ROOT/scripts/testservers/start.sh" "$HARNESS" >/dev/null
    cp "$HARNESS/tls/cert.pem" "$CA"
}
# A relay holding every chunk DELAY_MS in each direction (no netem on this kernel): the C++ one
# (bench_delay_relay; the Python one could not keep up with either program).
RELAY=$BUILD/bench/bench_delay_relay
start_relay() {  # LISTEN TARGET DELAY_MS
    [ -x "$RELAY" ] || { echo "missing $RELAY: cmake --build $BUILD --target bench_delay_relay" >&2; exit 1; }
    "$RELAY" "$1" "$2" "$3" >/dev/null &
    relay_pid=$!
    for _ in $(seq 1 300); do (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0; sleep 0.01; done
    echo "relay on $1 did not start" >&2
    exit 1
}

corpus() {
    local gen=$SHARED/reference/mail-servers/bench/gen_corpus.py
    [ -d "$WORK/corpus" ] && return 0
    [ -f "$gen" ] || { echo "corpus generator not found: $gen" >&2; exit 1; }
    /usr/bin/python3 "$gen" "$WORK/corpus" >/dev/null
}
refill() {
    rm -rf "$MAILDIR"
    mkdir -p "$MAILDIR/tmp" "$MAILDIR/cur"
    cp -r "$WORK/corpus" "$MAILDIR/new"
    chown -R mail:mail "$MAILDIR"
    sync
}
empty_mailbox() {
    rm -rf "$MAILDIR"
    mkdir -p "$MAILDIR/tmp" "$MAILDIR/cur" "$MAILDIR/new"
    chown -R mail:mail "$MAILDIR"
}
left_on_server() { find "$MAILDIR/new" "$MAILDIR/cur" -type f | wc -l; }

# A fresh program folder: POP3 server, SMTP server, [address-book entries].
fresh_appdir() {  # DIR POP3 SMTP [COUNT]
    rm -rf "$1"
    if [ $# -ge 4 ]; then
        "$APPDIR_TOOL" "$1" "$2" "$3" bench@localhost bench benchpw "$CA" "$4" bench
    else
        "$APPDIR_TOOL" "$1" "$2" "$3" bench@localhost bench benchpw "$CA"
    fi
}

# "WALL CPU" seconds of a command (its output goes to $WORK/last.out); fails the row when it fails.
seconds() {
    wall_cpu "$WORK/last.out" "$@" || exit 1
}

# Total system calls counted by strace -c -f for a command.
syscalls() {
    strace -c -f -o "$WORK/strace.txt" "$@" > "$WORK/last.out" 2>&1 ||
        { echo "failed: $*" >&2; cat "$WORK/last.out" >&2; exit 1; }
    awk '$NF == "total" { print ($4 ~ /^[0-9]+$/) ? $4 : $3 }' "$WORK/strace.txt"
}

