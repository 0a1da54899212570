#!/bin/bash
# Mutation check of the tests over the stores and receiving code:
#   scripts/mutate.sh [--max N] [--seed S] [--work DIR] [--list] [--survivors LOG]
# Copies the tree to DIR (default /tmp/ricorne-mutate; the worktree itself is never changed),
# builds the store and receiving tests there once (-O1, warnings not fatal: a mutant that only
# warns must still run), then applies one mutation at a time — a comparison flipped, a condition
# negated, a sync/flush/rename/truncate call dropped (as if it had succeeded), a +1/-1 turned
# round, a return value inverted — rebuilds the affected tests, runs them with a time limit and
# puts the file back. Drop-call mutants are all tried first, then a seeded sample of the rest.
# Prints one line per mutant (killed / SURVIVED / no build) and a tally; the log is in
# DIR/mutants.log. --list only prints the mutants that would be tried; --survivors LOG tries again
# only those an earlier run's log (a copy of mutants.log) lists as SURVIVED, after tests were added.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
SRC=$(cd "$HERE/.." && pwd)
WORK=/tmp/ricorne-mutate
MAX=60
SEED=27
LIST=0
SURVIVORS=
while [ $# -gt 0 ]; do
    case $1 in
        --max) MAX=$2; shift 2 ;;
        --seed) SEED=$2; shift 2 ;;
        --work) WORK=$2; shift 2 ;;
        --list) LIST=1; shift ;;
        --survivors) SURVIVORS=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
        *) echo "usage: $0 [--max N] [--seed S] [--work DIR] [--list] [--survivors LOG]" >&2; exit 2 ;;
    esac
done
case $WORK in "$SRC"|"$SRC"/*) echo "the scratch copy must be outside the tree" >&2; exit 2 ;; esac

# A fresh copy each run; file times are kept, so the scratch build only redoes what changed.
rm -rf "$WORK/src" && mkdir -p "$WORK/src" || exit 1
(cd "$SRC" && tar cf - --exclude='./build*' --exclude=./.git .) | (cd "$WORK/src" && tar xf -) || exit 1
sed -i 's/add_compile_options(-Wall -Wextra -Werror)/add_compile_options(-Wall -Wextra)/' "$WORK/src/CMakeLists.txt"

STORE_TESTS="core_stores_test core_store_scan_test receive_files_test receive_check_test"
RECEIVE_TESTS="receive_files_test receive_check_test receive_hostile_test receive_disk_full_test"
if [ $LIST = 0 ]; then
    [ -f "$WORK/build/build.ninja" ] ||
        cmake -S "$WORK/src" -B "$WORK/build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O1 >/dev/null ||
        exit 1
    echo "building the tests once in $WORK/build"
    # shellcheck disable=SC2086
    cmake --build "$WORK/build" -j 2 --target $STORE_TESTS $RECEIVE_TESTS >"$WORK/build.log" 2>&1 ||
        { tail -20 "$WORK/build.log"; exit 1; }
fi

export WORK MAX SEED LIST STORE_TESTS RECEIVE_TESTS SURVIVORS
exec python3 - <<'PY'
import os, random, re, subprocess, sys, time

work, src = os.environ["WORK"], os.environ["WORK"] + "/src"
build = work + "/build"
files = sorted(
    [f"src/core/stores/{f}" for f in os.listdir(src + "/src/core/stores") if f.endswith(".cpp")]
    + [f"src/receive/{f}" for f in os.listdir(src + "/src/receive") if f.endswith(".cpp")
       and f not in ("CheckMailFromWindow.cpp", "ReceiveTexts.cpp")])

DROPPED = r"(?:\w+(?:->|\.))*(?:platform::)?(?:SyncFile|SyncFileAt|SyncFolder|SyncFolderOf|SyncFileSystem|FlushStore|RenameFile|RenameIn|RenameInWithoutReplacing|TruncateFile|RemoveFile|RemoveIn|Flush)"
RELATIONS = {" < ": " >= ", " >= ": " < ", " > ": " <= ", " <= ": " > ", " == ": " != ", " != ": " == "}

def call_end(text, open_paren):
    depth = 0
    for i in range(open_paren, len(text)):
        depth += {"(": 1, ")": -1}.get(text[i], 0)
        if depth == 0:
            return i + 1
    return -1

def mutants_of(path):
    lines = open(src + "/" + path, encoding="utf-8").read().split("\n")
    found = []
    for n, line in enumerate(lines):
        code = line.split("//")[0]
        if not code.strip() or code.lstrip().startswith(("#", "*")):
            continue
        for m in re.finditer(DROPPED + r"\(", code):
            end = call_end(code, m.end() - 1)
            if end > 0 and not code[:m.start()].endswith("::"):
                found.append(("drop", n, code[:m.start()] + "true" + code[end:] + line[len(code):],
                              "drops " + m.group(0)[:-1] + "()"))
        for old, new in RELATIONS.items():
            for m in re.finditer(re.escape(old), code):
                found.append(("relation", n, line[:m.start()] + new + line[m.end():],
                              f"'{old.strip()}' -> '{new.strip()}'"))
        for m in re.finditer(r"\bif \(", code):
            end = call_end(code, m.end() - 1)
            if end > 0:
                inner = code[m.end():end - 1]
                found.append(("negate", n, code[:m.end()] + "!(" + inner + "))" + code[end:] + line[len(code):],
                              "negates if (" + inner[:40] + ")"))
        for old, new in ((" + 1", " - 1"), (" - 1", " + 1")):
            for m in re.finditer(re.escape(old) + r"\b", code):
                found.append(("offbyone", n, line[:m.start()] + new + line[m.end():], f"'{old.strip()}' -> '{new.strip()}'"))
        for old, new in (("return true;", "return false;"), ("return false;", "return true;")):
            if old in code:
                found.append(("return", n, line.replace(old, new), f"'{old}' -> '{new}'"))
    return [(path, n, k, text, what) for (k, n, text, what) in found]

everything = [m for f in files for m in mutants_of(f)]
rng = random.Random(int(os.environ["SEED"]))
drops = [m for m in everything if m[2] == "drop"]
others = [m for m in everything if m[2] != "drop"]
rng.shuffle(others)
chosen = (drops + others)[: int(os.environ["MAX"])]
if os.environ["SURVIVORS"]:
    wanted = set()
    for line in open(os.environ["SURVIVORS"], encoding="utf-8"):
        m = re.match(r"\[\d+/\d+\] SURVIVED +(\S+):(\d+) (\w+): (.*?) +\(\d+ s\)$", line)
        if m:
            wanted.add((m.group(1), int(m.group(2)) - 1, m.group(3), m.group(4).strip()))
    chosen = [m for m in everything if (m[0], m[1], m[2], m[4]) in wanted]
print(f"{len(everything)} mutants in {len(files)} files; trying {len(chosen)} ({len(drops)} dropped calls)")
if os.environ["LIST"] == "1":
    for path, n, kind, text, what in chosen:
        print(f"{path}:{n + 1}: {kind}: {what}")
    sys.exit(0)

store_tests = os.environ["STORE_TESTS"].split()
receive_tests = os.environ["RECEIVE_TESTS"].split()
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TZ="Asia/Tokyo", XDG_RUNTIME_DIR=build + "/xdg-runtime")
os.makedirs(build + "/xdg-runtime", mode=0o700, exist_ok=True)

def first_failing(tests):
    for t in tests:
        exe = subprocess.run(["find", build, "-type", "f", "-name", t, "-perm", "-u+x"],
                             stdout=subprocess.PIPE, text=True).stdout.split()
        try:
            r = subprocess.run([exe[0], "--gtest_brief=1"], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, errors="replace", timeout=180)
            if r.returncode != 0:
                return t
        except subprocess.TimeoutExpired:
            return t + " (time limit)"
    return None

baseline = first_failing(sorted(set(store_tests + receive_tests)))
if baseline:
    sys.exit(f"{baseline} fails on the unchanged tree: no mutant can be judged")
log = open(work + "/mutants.log", "w")
tally = {"killed": 0, "SURVIVED": 0, "no build": 0}
for i, (path, n, kind, text, what) in enumerate(chosen, 1):
    full = src + "/" + path
    original = open(full, encoding="utf-8").read()
    lines = original.split("\n")
    lines[n] = text
    tests = receive_tests if path.startswith("src/receive") else store_tests
    start = time.time()
    try:
        open(full, "w", encoding="utf-8").write("\n".join(lines))
        built = subprocess.run(["cmake", "--build", build, "-j", "2", "--target"] + tests,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if built.returncode != 0:
            outcome, detail = "no build", ""
        else:
            failing = first_failing(tests)
            outcome, detail = ("killed", "by " + failing) if failing else ("SURVIVED", "")
    finally:
        open(full, "w", encoding="utf-8").write(original)
    tally[outcome] += 1
    line = f"[{i}/{len(chosen)}] {outcome:8} {path}:{n + 1} {kind}: {what} {detail} ({time.time() - start:.0f} s)"
    print(line, flush=True)
    log.write(line + "\n" + "    " + text.strip() + "\n")
    log.flush()
# The last build is of the untouched tree again, so that the copy is left as it was.
subprocess.run(["cmake", "--build", build, "-j", "2", "--target"] + store_tests + receive_tests,
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(f"killed {tally['killed']}, survived {tally['SURVIVED']}, did not build {tally['no build']}")
PY
