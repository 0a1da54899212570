#!/bin/bash
# Table rows for the program's start: the time from the start of the process to its first
# visible window, and its resident memory 3 s after that window appeared, each with a fresh
# home (a fresh program folder for ours), on a private Xvfb screen with no window manager.
# Peers: Sylpheed and Claws Mail (installed from the Debian packages when missing), and the
# bare Qt window (bench_bare_window: the toolkit's floor). One warm-up round, then RUNS
# (default 9) rounds, the four programs alternating; raw samples printed under each line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD:-$here/../build}}
ROOT=$(cd "$here/.." && pwd)
. "$ROOT/bench/rows/pairs.sh"
runs=$(pairs_count "${2:-${RUNS:-9}}")
cmake --build "$build" --target ricorne bench_first_window bench_bare_window >/dev/null
if ! command -v sylpheed >/dev/null || ! command -v claws-mail >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends sylpheed claws-mail xvfb >/dev/null
fi

work=$(mktemp -d)
for n in $(seq 150 199); do [ -e /tmp/.X$n-lock ] || break; done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
trap 'load_watch_stop; kill $xpid 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done

measure() { # NAME COMMAND...: appends "ms kb" to $work/NAME
  local name=$1 home
  shift
  home=$(mktemp -d "$work/home-XXXXXX")
  DISPLAY=:$n HOME=$home XDG_RUNTIME_DIR=$home \
    "$build/bench/bench_first_window" --rss-after 3 -- "$@" 2>/dev/null |
    awk '{ v[$1] = $2 } END { print v["first_window_ms"], v["rss_kb"] }' >>"$work/$name"
}
load_watch_start "$work/load"
for i in $(seq 0 "$runs"); do
  app=$(mktemp -d "$work/app-XXXXXX")
  cp "$build/bin/ricorne" "$app/"
  measure ours "$app/ricorne"
  measure bare "$build/bench/bench_bare_window"
  measure sylpheed sylpheed
  measure claws claws-mail
  if [ "$i" -eq 0 ]; then rm -f "$work"/{ours,bare,sylpheed,claws}; fi # the warm-up round
done
load_watch_stop

column() { # FILE COLUMN [SCALE]: the samples, space-separated
  cut -d' ' -f"$2" "$1" | awk -v k="${3:-1}" '{ printf "%g ", $1 / k }'
}
median() { # FILE COLUMN
  cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# The faster of the two peers is the one start-up is measured against.
faster=sylpheed
awk -v s="$(median "$work/sylpheed" 1)" -v c="$(median "$work/claws" 1)" 'BEGIN { exit !(c < s) }' && faster=claws
pair_row "start-up to the first visible window (fresh home, Xvfb), vs $faster" 0.5 - "$work/load" \
  "$(column "$work/ours" 1 1000)" "" "$(column "$work/$faster" 1 1000)" ""
pair_row "the same vs the bare Qt window" 1.5 - "$work/load" \
  "$(column "$work/ours" 1 1000)" "" "$(column "$work/bare" 1 1000)" ""
pair_row "resident memory 3 s after start-up (MB) vs Sylpheed" 1.0 - "$work/load" \
  "$(column "$work/ours" 2 1024)" "" "$(column "$work/sylpheed" 2 1024)" "" "" MB
pair_row "the same vs the bare Qt window (MB)" 1.1 - "$work/load" \
  "$(column "$work/ours" 2 1024)" "" "$(column "$work/bare" 2 1024)" "" "" MB
