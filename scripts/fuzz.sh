#!/bin/sh
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz and runs each for a set number
# of executions.
#   scripts/fuzz.sh                      every target, FUZZ_RUNS executions each (default 200000)
#   FUZZ_RUNS=2000000 scripts/fuzz.sh mime pop3
#   FUZZ_SECONDS=600 scripts/fuzz.sh ...  also stop each target after that many seconds
# Seeds are read where they lie (our MIME corpus, the other projects' test mail when present,
# tests/fuzz/seeds); what the fuzzer learns stays in build-fuzz/corpus. A crash, a hang over 1 s,
# one input allocating more than FUZZ_MALLOC_MB (default 256) at once or in all, or the process
# over FUZZ_RSS_MB (default 2048) leaves its input in build-fuzz/artifacts/<target>/: minimise it,
# put it under tests/fuzz/regressions/<target>/ and fix the fault (FuzzRegressionTest replays it).
# The limits are set so a long run ends on a fault, not on the fuzzer's own growth: a single input
# of ours needs well under 100 MB, and AddressSanitizer's quarantine (freed memory kept to catch
# use-after-free) is held to 64 MB instead of 256 MB so it and the in-memory corpus fit the RSS limit.
# Prints per target: executions, coverage (cov: edges, ft: features), corpus entries and size, time.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh --fuzz
B=${RICORNE_FUZZ_BUILD_DIR:-build-fuzz}
RUNS=${FUZZ_RUNS:-200000}
ALL="mime headers charsets settings records pop3 smtp addressbook palette quicksave editorfile providers oauth headerindex"
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

export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64:malloc_context_size=10:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"

failed=""
printf '%-18s %12s %8s %8s %8s %10s %7s  %s\n' target executions cov ft corpus corpus_kb seconds result
for t in $TARGETS; do
    mkdir -p "$B/corpus/$t" "$B/artifacts/$t"
    start=$(date +%s)
    # shellcheck disable=SC2046
    if "$B/bin/fuzz_$t" -runs="$RUNS" ${FUZZ_SECONDS:+-max_total_time=$FUZZ_SECONDS} -timeout=1 \
        -malloc_limit_mb="${FUZZ_MALLOC_MB:-256}" -rss_limit_mb="${FUZZ_RSS_MB:-2048}" -max_len="$(max_len "$t")" \
        -print_final_stats=1 -artifact_prefix="$B/artifacts/$t/" "$B/corpus/$t" $(seeds "$t") \
        >"$B/fuzz_$t.log" 2>&1; then
        result=clean
    else
        result="FOUND (see $B/fuzz_$t.log and $B/artifacts/$t/)"
        failed="$failed $t"
    fi
    seconds=$(($(date +%s) - start))
    # The last status line libFuzzer printed carries cov: and ft:.
    last=$(grep -E '^#[0-9]+' "$B/fuzz_$t.log" | tail -n 1)
    cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
    entries=$(find "$B/corpus/$t" -type f | wc -l)
    kb=$(du -sk "$B/corpus/$t" | cut -f1)
    printf '%-18s %12s %8s %8s %8s %10s %7s  %s\n' "fuzz_$t" \
        "$(sed -n 's/^stat::number_of_executed_units: *//p' "$B/fuzz_$t.log")" "${cov:--}" "${ft:--}" \
        "$entries" "$kb" "$seconds" "$result"
done
[ -z "$failed" ]
