#!/bin/sh
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz and runs each for a set number
# of executions.
#   scripts/fuzz.sh                      every target, FUZZ_RUNS executions each (default 200000)
#   FUZZ_RUNS=2000000 scripts/fuzz.sh mime pop3
#   FUZZ_SECONDS=600 scripts/fuzz.sh ...  also stop each target after that many seconds
# Seeds are read where they lie (our MIME corpus, the other projects' test mail when present,
# tests/fuzz/seeds); what the fuzzer learns stays in build-fuzz/corpus. A crash, a hang over 1 s
# or more than 512 MB leaves its input in build-fuzz/artifacts/<target>/: minimise it, put it
# under tests/fuzz/regressions/<target>/ and fix the fault (FuzzRegressionTest replays it).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh --fuzz
B=${RICORNE_FUZZ_BUILD_DIR:-build-fuzz}
RUNS=${FUZZ_RUNS:-200000}
ALL="mime headers charsets settings records pop3 smtp"
TARGETS=${*:-$ALL}
PEERS=${RICORNE_PEER_CORPORA:-../shared/peer-corpora}
[ -d "$PEERS" ] || PEERS=""

[ -f "$B/build.ninja" ] || CXX=clang++-14 cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRICORNE_FUZZ=ON -DRICORNE_SANITIZE=ON
cmake --build "$B" -j "$(nproc)" $(for t in $TARGETS; do printf ' --target fuzz_%s' "$t"; done)

seeds() {
    case "$1" in
    mime) echo "tests/core/mime/corpus $PEERS" ;;
    headers | charsets) echo "tests/core/mime/corpus ${PEERS:+$PEERS/gmime/filters}" ;;
    *) echo "tests/fuzz/seeds/$1" ;;
    esac
}
max_len() {
    case "$1" in
    mime) echo 65536 ;;
    records) echo 70000 ;; # two records of the received store
    *) echo 8192 ;;
    esac
}

failed=""
for t in $TARGETS; do
    mkdir -p "$B/corpus/$t" "$B/artifacts/$t"
    # shellcheck disable=SC2046
    if "$B/bin/fuzz_$t" -runs="$RUNS" ${FUZZ_SECONDS:+-max_total_time=$FUZZ_SECONDS} -timeout=1 -rss_limit_mb=512 -max_len="$(max_len "$t")" \
        -print_final_stats=1 -artifact_prefix="$B/artifacts/$t/" "$B/corpus/$t" $(seeds "$t") \
        >"$B/fuzz_$t.log" 2>&1; then
        result=clean
    else
        result="FOUND (see $B/fuzz_$t.log and $B/artifacts/$t/)"
        failed="$failed $t"
    fi
    echo "fuzz_$t: $(sed -n 's/^stat::number_of_executed_units: *//p' "$B/fuzz_$t.log") executions, $result"
done
[ -z "$failed" ]
