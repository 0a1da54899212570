#!/bin/bash
# Table row for the history search: a word searched in the full 32767-record received history
# (mixed-length Japanese mails), warm, against `cat` of the same file; a second row for a word
# found only through kana/width folding. Medians of RUNS (default 5) alternating runs. BUILD
# names the build folder (default: build next to bench), BENCH_DIR the folder where the 1 GB
# store is made (default: /tmp).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD:-$here/../build}}
runs=${2:-${RUNS:-5}}
base=${BENCH_DIR:-/tmp}
cmake --build "$build" --target bench_history_search >/dev/null

median() { # LABEL FILE: the median after the label's "median" word, in ms
  awk -v label="$1" 'index($0, label) == 1 { for (i = 1; i < NF; ++i) if ($i == "median") print $(i + 1) }' "$2"
}
row() { # NAME OURS_MS PEER_NAME PEER_MS TARGET
  awk -v name="$1" -v ours="$2" -v peer="$3" -v theirs="$4" -v target="$5" 'BEGIN {
    printf "| %s | %.0f ms | %s %.0f ms | %.2f× | %s |\n", name, ours, peer, theirs, ours / theirs, target }'
}

out=$(mktemp)
trap 'rm -f "$out" "$out.err"' EXIT
"$build/bench/bench_history_search" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
row "search a 32767-record history for a word, warm" \
  "$(median 'search 見積書' "$out")" "\`cat\`" "$(median 'cat FILE' "$out")" "≤ 0.1×"
row "the same, a word found only through kana/width folding" \
  "$(median 'search みーてぃんぐ' "$out")" "\`cat\`" "$(median 'cat FILE' "$out")" "≤ 0.1×"
