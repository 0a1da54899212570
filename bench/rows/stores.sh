#!/bin/bash
# Table rows for the stores: opening the full 32767-record received history (the viewer
# filled and painted, offscreen) with the page cache warm and cold, against `cat` of the same
# file; compaction after deleting record 1, against `cp` + `sync`. Medians of RUNS (default 5)
# alternating runs. BUILD names the build folder (default: build next to bench), BENCH_DIR the
# folder where the 1 GB stores are made (default: /tmp).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/../build}
runs=${RUNS:-5}
base=${BENCH_DIR:-/tmp}
cmake --build "$build" --target bench_history_open bench_stores >/dev/null

median() { # LABEL FILE: the median after the label's "median" word, in ms
  awk -v label="$1" 'index($0, label) == 1 { for (i = 1; i < NF; ++i) if ($i == "median") print $(i + 1) }' "$2"
}
row() { # NAME OURS_MS PEER_NAME PEER_MS TARGET
  awk -v name="$1" -v ours="$2" -v peer="$3" -v theirs="$4" -v target="$5" 'BEGIN {
    printf "| %s | %.0f ms | %s %.0f ms | %.2f× | %s |\n", name, ours, peer, theirs, ours / theirs, target }'
}

out=$(mktemp)
trap 'rm -f "$out" "$out.err"' EXIT
"$build/bench/bench_history_open" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
row "open a 32767-record history (filled, painted, offscreen), warm" \
  "$(median 'open the viewer' "$out")" "\`cat\`" "$(median 'cat FILE' "$out")" "≤ 0.3×"
row "the same, file out of the page cache" \
  "$(median 'cold open the viewer' "$out")" "\`cat\`, cold" "$(median 'cold cat FILE' "$out")" "≤ 0.3×"
"$build/bench/bench_stores" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
row "compaction after deleting record 1 of that store, flush included" \
  "$(median 'CompactStore after deleting record 1' "$out")" "\`cp\` + \`sync\`" "$(median 'cp FILE X' "$out")" "≤ 1.2×"
