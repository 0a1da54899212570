#!/bin/sh
# Configures and builds into ${RICORNE_BUILD_DIR:-build}. Idempotent.
set -e
cd "$(dirname "$0")/.."
B=${RICORNE_BUILD_DIR:-build}
[ -f "$B/build.ninja" ] || cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${RICORNE_CMAKE_ARGS:-}
cmake --build "$B" -j "$(nproc)"
