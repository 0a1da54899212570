#!/bin/sh
# Makes the 500-mail corpus and measures decoding speed.
# usage: bench/mime/run_bench.sh BUILD_DIR [GEN_CORPUS_PY]
set -eu
build=${1:?build folder}
gen=${2:-$(dirname "$0")/../../../shared/reference/mail-servers/bench/gen_corpus.py}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
python3 "$gen" "$corpus"
"$build/bench/bench_mime_decode" "$corpus" 5
