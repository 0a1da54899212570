#!/bin/sh
# The test command: installs what is needed, builds, and runs every test through CTest.
set -e
cd "$(dirname "$0")/.."
scripts/deps.sh --test
scripts/build.sh
cd "${RICORNE_BUILD_DIR:-build}"
exec ctest --output-on-failure -j "$(nproc)"
