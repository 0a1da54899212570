#!/bin/sh
# Line and branch coverage of the whole suite, per folder of src/ (and per folder of src/core).
#   scripts/coverage.sh            configure + build build-coverage (gcc --coverage, -O0), run the
#                                  suite, print the table
#   scripts/coverage.sh --report   only print the table from the counts already in build-coverage
# Not part of CI: it is a measurement. Failing tests do not stop the table (it says how many failed).
set -e
cd "$(dirname "$0")/.."
B=${RICORNE_COVERAGE_BUILD_DIR:-build-coverage}
if [ "${1:-}" != "--report" ]; then
    scripts/deps.sh --coverage
    [ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_C_FLAGS="--coverage -O0" \
        -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
    cmake --build "$B" -j "$(nproc)"
    find "$B" -name '*.gcda' -delete
    (cd "$B" && ctest -j "$(nproc)" >ctest.log 2>&1) || echo "some tests failed: see $B/ctest.log" >&2
fi
# Generated sources (moc, rcc) and everything outside src/ do not count.
gcovr --root . --filter 'src/' --exclude '.*_autogen/.*' --exclude-unreachable-branches \
    --exclude-throw-branches --json-summary "$B/coverage.json" --json-summary-pretty "$B" >/dev/null
python3 - "$B/coverage.json" <<'PY'
import collections, json, sys
files = json.load(open(sys.argv[1]))["files"]
rows = collections.defaultdict(lambda: [0, 0, 0, 0])
for f in files:
    parts = f["filename"].split("/")
    keys = {"src (all)", "/".join(parts[:2])}
    if parts[1] == "core" and len(parts) > 3:
        keys.add("/".join(parts[:3]))
    for k in keys:
        r = rows[k]
        r[0] += f["line_covered"]; r[1] += f["line_total"]
        r[2] += f["branch_covered"]; r[3] += f["branch_total"]
pct = lambda a, b: f"{100.0 * a / b:5.1f} %" if b else "    -  "
print(f"{'folder':<26}{'lines':>9}{'of':>8}{'lines %':>9}{'branches %':>12}")
for k in sorted(rows, key=lambda k: (k == "src (all)", k)):
    lc, lt, bc, bt = rows[k]
    print(f"{k:<26}{lc:>9}{lt:>8}{pct(lc, lt):>9}{pct(bc, bt):>12}")
PY
