#!/bin/sh
# The test command: installs what is needed, builds, and runs every test through CTest.
# RICORNE_SANITIZE=1 does the same with ASan + UBSan in its own build dir (build-asan).
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh --test
if [ "${RICORNE_SANITIZE:-0}" = 1 ]; then
    export RICORNE_BUILD_DIR="${RICORNE_BUILD_DIR:-build-asan}"
    export RICORNE_CMAKE_ARGS="-DRICORNE_SANITIZE=ON"
    # GLib, GMime and fontconfig keep one-time caches for the life of the process; see the file.
    export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    # .ci/run also collects every report in files, so one from a child process cannot go unseen.
    if [ -n "${RICORNE_SANITIZER_LOG:-}" ]; then
        ASAN_OPTIONS="$ASAN_OPTIONS:log_path=$RICORNE_SANITIZER_LOG"
        UBSAN_OPTIONS="$UBSAN_OPTIONS:log_path=$RICORNE_SANITIZER_LOG"
    fi
fi
scripts/build.sh
cd "${RICORNE_BUILD_DIR:-build}"
exec ctest --output-on-failure -j "$(nproc)"
