#!/bin/bash
# Table rows for the program's start: the time from the start of the process to its first
# visible window, and its resident memory 3 s after that window appeared, each with a fresh
# home (a fresh program folder for ours), on a private Xvfb screen with no window manager.
# Peers: Sylpheed and Claws Mail (installed from the Debian packages when missing). Medians of
# RUNS (default 5) runs, the three programs alternating.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/../build}
runs=${RUNS:-5}
cmake --build "$build" --target ricorne bench_first_window >/dev/null
if ! command -v sylpheed >/dev/null || ! command -v claws-mail >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends sylpheed claws-mail xvfb >/dev/null
fi

work=$(mktemp -d)
for n in $(seq 150 199); do [ -e /tmp/.X$n-lock ] || break; done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done

measure() { # NAME COMMAND...: appends "ms kb" to $work/NAME
  local name=$1 home
  shift
  home=$(mktemp -d "$work/home-XXXXXX")
  DISPLAY=:$n HOME=$home XDG_RUNTIME_DIR=$home \
    "$build/bench/bench_first_window" --rss-after 3 -- "$@" 2>/dev/null |
    awk '{ v[$1] = $2 } END { print v["first_window_ms"], v["rss_kb"] }' >>"$work/$name"
}
for _ in $(seq "$runs"); do
  app=$(mktemp -d "$work/app-XXXXXX")
  cp "$build/bin/ricorne" "$app/"
  measure ours "$app/ricorne"
  measure sylpheed sylpheed
  measure claws claws-mail
done

median() { # FILE COLUMN
  cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
awk -v o="$(median "$work/ours" 1)" -v s="$(median "$work/sylpheed" 1)" -v c="$(median "$work/claws" 1)" 'BEGIN {
  f = s < c ? s : c
  printf "| start-up to the first visible window (fresh home, Xvfb) | %.0f ms | Sylpheed %.0f ms, Claws Mail %.0f ms | %.2f× of the faster | ≤ 0.5× of the faster |\n", o, s, c, o / f }'
awk -v o="$(median "$work/ours" 2)" -v s="$(median "$work/sylpheed" 2)" 'BEGIN {
  printf "| resident memory 3 s after start-up | %.1f MB | Sylpheed %.1f MB | %.2f× | ≤ 0.9× |\n", o / 1024, s / 1024, o / s }'
