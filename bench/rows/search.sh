#!/bin/bash
# Table rows for the history search: a word searched in the full 32767-record received history
# (mixed-length Japanese mails), page cache warm, against `cat` of the same file; a second row
# for a word found only through kana/width folding. The program times itself: one first search
# (the warm-up, printed apart), then RUNS (default and least 9) rounds of `cat`, the plain search
# and the folded search in turn. BUILD names the build folder (default: build next to bench),
# BENCH_DIR the folder where the 1 GB store is made (default: /tmp).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD:-$here/../build}}
ROOT=$(cd "$here/.." && pwd)
. "$ROOT/bench/rows/pairs.sh"
runs=$(pairs_count "${2:-${RUNS:-9}}")
base=${BENCH_DIR:-/tmp}
cmake --build "$build" --target bench_history_search >/dev/null

samples() { # LABEL FILE: the samples after the label's "runs:" word, in seconds
  awk -v label="$1" 'index($0, label) == 1 { sub(/.*runs: */, ""); print }' "$2" |
    awk '{ for (i = 1; i <= NF; ++i) printf "%g ", $i / 1000 }'
}

out=$(mktemp)
load=$(mktemp)
trap 'load_watch_stop; rm -f "$out" "$out.err" "$load"' EXIT
load_watch_start "$load"
"$build/bench/bench_history_search" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
load_watch_stop
cat_samples=$(samples 'cat FILE' "$out")
pair_row "search a 32767-record history for a word, warm (vs \`cat\`)" 0.1 - "$load" \
  "$(samples 'search 見積書' "$out")" "" "$cat_samples" ""
pair_row "the same, a word found only through kana/width folding (vs \`cat\`)" 0.1 - "$load" \
  "$(samples 'search みーてぃんぐ' "$out")" "" "$cat_samples" ""
sed -n 's/^first search in the process: */    first search in the process (warm-up): /p' "$out"
