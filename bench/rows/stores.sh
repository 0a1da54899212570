#!/bin/bash
# Table rows for the stores: opening the full 32767-record received history (the viewer
# filled and painted, offscreen) with the page cache warm and cold, against `cat` of the same
# file; compaction after deleting record 1, against `cp` + `sync`. Medians of RUNS (default 5)
# alternating runs. BUILD names the build folder (default: build next to bench), BENCH_DIR the
# folder where the 1 GB stores are made (default: /tmp).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD:-$here/../build}}
ROOT=$(cd "$here/.." && pwd)
. "$ROOT/bench/rows/pairs.sh"
runs=$(pairs_count "${2:-${RUNS:-9}}")
base=${BENCH_DIR:-/tmp}
cmake --build "$build" --target bench_history_open bench_stores >/dev/null

samples() { # LABEL FILE: the samples after the label's "runs:" word, in ms
  awk -v label="$1" 'index($0, label) == 1 { sub(/.*runs: */, ""); print }' "$2"
}
# Wall times only: these programs time themselves, each run of ours beside one of the peer.
row() { # NAME OURS_LABEL PEER_NAME PEER_LABEL TARGET FILE
  local ow pw
  ow=$(samples "$2" "$6" | awk '{ for (i = 1; i <= NF; ++i) printf "%g ", $i / 1000 }')
  pw=$(samples "$4" "$6" | awk '{ for (i = 1; i <= NF; ++i) printf "%g ", $i / 1000 }')
  pair_row "$1 (vs $3)" "$5" - "$load" "$ow" "" "$pw" ""
}

out=$(mktemp)
load=$(mktemp)
trap 'load_watch_stop; rm -f "$out" "$out.err" "$load"' EXIT
load_watch_start "$load"
"$build/bench/bench_history_open" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
load_watch_stop
row "open a 32767-record history (filled, painted, offscreen), warm" \
  'open the viewer' "\`cat\`" 'cat FILE' 0.1 "$out"
row "the same, file out of the page cache" \
  'cold open the viewer' "\`cat\`, cold" 'cold cat FILE' 0.1 "$out"
load_watch_start "$load"
"$build/bench/bench_stores" "$base" --runs "$runs" >"$out" 2>"$out.err" || { cat "$out.err" >&2; exit 1; }
load_watch_stop
row "compaction after deleting record 1 of that store, flush included" \
  'CompactStore after deleting record 1' "\`cp\` + \`sync\`" 'cp FILE X' 1.2 "$out"
