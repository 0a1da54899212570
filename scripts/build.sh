#!/bin/sh
# Configures and builds into ${RICORNE_BUILD_DIR:-build}. Idempotent.
#   scripts/build.sh [TARGET...]     (no target: everything, tests included)
set -e
cd "$(dirname "$0")/.."
B=${RICORNE_BUILD_DIR:-build}
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${RICORNE_CMAKE_ARGS:-}
if [ $# -gt 0 ]; then
    cmake --build "$B" -j "$(nproc)" --target "$@"
else
    cmake --build "$B" -j "$(nproc)"
fi
