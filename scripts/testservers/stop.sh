#!/bin/bash
# Stops the servers start.sh started in HARNESS_DIR (by the PIDs it recorded) and releases
# the machine-wide lock when this harness holds it. Safe to run when nothing is running.
#   stop.sh HARNESS_DIR
[ $# -ge 1 ] || { echo "usage: $0 HARNESS_DIR" >&2; exit 2; }
H=$1
case $H in /*) ;; *) H=$(pwd)/$H ;; esac
LOCK=/tmp/ricorne-testservers.lock
rc=0
for f in "$H"/run/*.pid; do
    [ -e "$f" ] || continue
    pid=$(cat "$f")
    name=$(basename "$f" .pid)
    # Only a process that is still ours (its command line names the harness): PIDs get reused.
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
        tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$H/"; then
        kill -TERM "$pid"
        for i in $(seq 1 1000); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
        if kill -0 "$pid" 2>/dev/null; then
            echo "stop.sh: $name ($pid) ignored SIGTERM for 10 s, killing it" >&2
            kill -KILL "$pid" 2>/dev/null
            rc=1
        else
            echo "stopped $name ($pid)"
        fi
    fi
    rm -f "$f"
done
if [ "$(cat "$LOCK/owner" 2>/dev/null)" = "$H" ]; then
    rm -rf "$LOCK"
fi
exit $rc
