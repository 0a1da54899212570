#!/bin/bash
# The long forms of the kill campaigns and the hostile-server runs, with their figures:
#   scripts/long-campaigns.sh BUILD_DIR [TEST_NAME_REGEX]
# Starts the mail test servers (as the suite's fixture does), runs each test program with
# RICORNE_LONG_CAMPAIGN=1 and no time limit of CTest's, prints what they report and stops the
# servers again. RICORNE_CAMPAIGN_TRIALS overrides the number of trials. receive_kill_test holds
# two campaigns: 200 trials of small mails killed at each protocol step, and 100 trials of one
# 300-attachment mail killed at random or as its n-th file gets its name. tool_writer_kill_test
# kills each writer of a user file (address book, face marks, quick save, Save as, the settings
# files, the received-id file, the header index) 200 times.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [TEST_NAME_REGEX]" >&2; exit 2; }
B=$(cd "$1" && pwd)
FILTER=${2:-.}
H=/tmp/ricorne-long-campaigns-$$
"$HERE/testservers/start.sh" "$H" || exit 1
trap '"$HERE/testservers/stop.sh" "$H" >/dev/null' EXIT
export RICORNE_LONG_CAMPAIGN=1 RICORNE_TEST_SERVERS=$H QT_QPA_PLATFORM=offscreen TZ=Asia/Tokyo
export XDG_RUNTIME_DIR=$B/xdg-runtime
rc=0
for t in receive_kill_test tool_compaction_kill_test compose_send_kill_test receive_hostile_test \
         receive_disk_full_test tool_store_reader_test tool_writer_kill_test; do
    [[ $t =~ $FILTER ]] || continue
    exe=$(find "$B" -type f -name "$t" -perm -u+x | head -1)
    [ -n "$exe" ] || { echo "$t: not built" >&2; rc=1; continue; }
    echo "== $t"
    /usr/bin/time -f "$t: %e s, peak %M KB" "$exe" --gtest_brief=1 || rc=1
done
exit $rc
