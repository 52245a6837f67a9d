#!/usr/bin/env bash
# Pack benchmark: a generated 1,000,000-record table with 30% of its records
# deleted, without and with a memo file, packed 3 times each against the
# floor of copying the same files and flushing them to disk.
#   KX_BIN=build/release bench/run.sh [RECORDS]
set -euo pipefail
: "${KX_BIN:?set KX_BIN to a build folder (e.g. build/release)}"
records=${1:-1000000}
dir=$(mktemp -d "${TMPDIR:-/tmp}/kxbench.XXXXXX")
trap 'rm -rf "$dir"' EXIT

mkdir -p "$dir/plain" "$dir/memo"
"$KX_BIN/tools/gentable" "$dir/plain/BENCH.dbf" --records "$records" --deleted 30 --seed 1
"$KX_BIN/tools/gentable" "$dir/memo/BENCH.dbf" --records "$records" --deleted 30 --memo --seed 1

"$KX_BIN/bench/pack_bench" "$dir/plain/BENCH.dbf" --runs 3
"$KX_BIN/bench/pack_bench" "$dir/memo/BENCH.dbf" --runs 3
