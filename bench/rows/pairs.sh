# Shared by every row group (sourced, not run): honest pairs and the table line.
#
# A row is measured as one warm-up pair (thrown away) and then PAIRS pairs (default 9, never
# fewer), ours and the peer alternating, each sample wall seconds and CPU seconds (user +
# system of the command and everything it started). The line gives both medians and both
# ratios, the load average before and after and the highest seen while the row ran; above
# LOAD_LIMIT (1.0) the verdict is "noisy: rerun", never "met". The raw samples follow the line
# so they can be pasted into a note.

LOAD_LIMIT=${LOAD_LIMIT:-1.0}
PAIRS_MIN=9

pairs_count() {  # RUNS -> the number of measured pairs
    local n=${1:-$PAIRS_MIN}
    [ "$n" -ge 1 ] 2>/dev/null || n=$PAIRS_MIN
    # A dry run may ask for fewer with BENCH_DRY_RUN=1 (the verdict then says so).
    if [ "$n" -lt "$PAIRS_MIN" ] && [ -z "${BENCH_DRY_RUN:-}" ]; then n=$PAIRS_MIN; fi
    echo "$n"
}

load1() { cut -d' ' -f1 /proc/loadavg; }

# Samples the 1-minute load average every second into FILE until load_watch_stop.
load_watch_pid=
load_watch_start() {  # FILE
    load1 > "$1"
    ( while :; do load1 >> "$1"; sleep 1; done ) &
    load_watch_pid=$!
}
load_watch_stop() {
    if [ -n "$load_watch_pid" ]; then
        kill "$load_watch_pid" 2>/dev/null || true
        wait "$load_watch_pid" 2>/dev/null || true # a killed sampler ends with 143: no failure
    fi
    load_watch_pid=
}

# "WALL CPU" seconds of a command (its output goes to OUT, default /dev/null); fails the row
# when the command fails. CPU is what the shell counts for its children: the command and all
# it started, once they ended.
wall_cpu() {  # OUT COMMAND...
    local out=$1
    shift
    local before after start end
    # times runs in this shell (a pipe or $(...) would ask a fresh process with no children).
    times > "$out.times"
    before=$(tail -1 "$out.times")
    start=$EPOCHREALTIME
    "$@" > "$out" 2>&1 || { echo "failed: $*" >&2; cat "$out" >&2; return 1; }
    end=$EPOCHREALTIME
    times > "$out.times"
    after=$(tail -1 "$out.times")
    rm -f "$out.times"
    /usr/bin/python3 - "$start" "$end" "$before" "$after" <<'PY'
import re, sys
def secs(t):
    return sum(float(m) * 60 + float(s) for m, s in re.findall(r"(\d+)m([\d.]+)s", t))
print("%.4f %.4f" % (float(sys.argv[2]) - float(sys.argv[1]), secs(sys.argv[4]) - secs(sys.argv[3])))
PY
}

# The table line and the raw samples.
#   pair_row LABEL TARGET_WALL TARGET_CPU LOADFILE "OURS_WALL..." "OURS_CPU..." "PEER_WALL..." "PEER_CPU..." [SCALE] [UNIT]
# TARGET_CPU may be "-" (no CPU target). SCALE divides the medians (e.g. per mail); UNIT "s" or "calls".
pair_row() {
    /usr/bin/python3 - "$@" "$(load1)" "$LOAD_LIMIT" "${BENCH_DRY_RUN:-}" <<'PY'
import statistics, sys
a = sys.argv[1:]
label, twall, tcpu, loadfile, ow, oc, pw, pc = a[:8]
rest = a[8:-3]
load_after, limit, dry = a[-3], float(a[-2]), a[-1]
scale = float(rest[0]) if len(rest) > 0 and rest[0] else 1.0
unit = rest[1] if len(rest) > 1 else "s"
nums = lambda s: [float(x) for x in s.split()]
loads = [float(x) for x in open(loadfile).read().split()] + [float(load_after)]
fmt = (lambda v: "%.0f" % v) if unit == "calls" else (lambda v: "%.3f" % v)
def med(s):
    return statistics.median(nums(s)) / scale if s.strip() else float("nan")
o, p = med(ow), med(pw)
wall_ratio = o / p
parts = ["%s %s vs %s %s, %.2fx (<= %sx)" % (fmt(o), unit, fmt(p), unit, wall_ratio, twall)]
ok = wall_ratio <= float(twall)
if oc.strip():
    co, cp = med(oc), med(pc)
    cpu_ratio = co / cp
    parts.append("CPU %.3f s vs %.3f s, %.2fx%s" % (co, cp, cpu_ratio,
                 "" if tcpu == "-" else " (<= %sx)" % tcpu))
    if tcpu != "-":
        ok = ok and cpu_ratio <= float(tcpu)
peak = max(loads)
if peak > limit:
    verdict = "noisy: rerun"
elif dry:
    verdict = "dry run (too few pairs)"
else:
    verdict = "met" if ok else "MISSED"
print("| %s | %s | load %.2f -> %.2f, peak %.2f | %s | %d pairs |" % (
    label, "; ".join(parts), loads[0], float(load_after), peak, verdict, len(ow.split())))
def raw(name, s):
    if s.strip():
        print("    %s: %s" % (name, " ".join("%g" % v for v in nums(s))))
what = "wall" if unit == "s" else unit
raw("ours " + what, ow); raw("ours cpu", oc); raw("peer " + what, pw); raw("peer cpu", pc)
PY
}
