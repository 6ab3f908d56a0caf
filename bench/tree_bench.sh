#!/usr/bin/env bash
# tree_bench.sh - quillmark-cli against rhash, 7-Zip and a bare read loop, on a tree of small
# files and on one large file, all measured in the same run on warm caches.
#
# Usage: bench/tree_bench.sh [path/to/quillmark-cli]   (or set QUILLMARK_CLI)
# Environment: TMPDIR (where the data goes, about 1.2 GiB), RUNS (best of, default 3).
set -euo pipefail

runs=${RUNS:-3}
name=tree_bench
tools=(rhash 7zz cc)
# shellcheck source=bench/bench_setup.sh
source "$(dirname "$0")/bench_setup.sh"
cc -O2 -pthread -o "$work/read_tree_threads" "$script_dir/read_tree_threads.c"
echo "Creating 20000 files in 200 directories and a 1 GiB file in $work ..."
"$work/make_data" "$tree" "$big"
settle
# Warm the page cache so every tool reads from memory.
find "$tree" -type f -exec cat {} + >/dev/null
cat "$big" >/dev/null

# Best wall-clock time of $runs runs, in seconds; output is discarded.
best_of() {
    local best=""
    for ((i = 0; i < runs; ++i)); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || { echo "tree_bench: failed: $*" >&2; exit 1; }
        end=$(date +%s%N)
        local elapsed=$((end - start))
        if [[ -z $best || $elapsed -lt $best ]]; then best=$elapsed; fi
    done
    awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

echo "Timing, best of $runs runs each ..."
tree_quillmark=$(best_of "$cli" -t --no-progress "$tree/")
tree_rhash=$(best_of rhash --crc32 -r "$tree")
tree_7zip=$(best_of 7zz h -scrcCRC32 -r "$tree")
tree_reference=$(best_of "$work/read_tree_threads" "$tree" 1)
big_quillmark=$(best_of "$cli" -t --no-progress "$big")
big_rhash=$(best_of rhash --crc32 "$big")
big_7zip=$(best_of 7zz h -scrcCRC32 "$big")
big_reference=$(best_of cat "$big")

printf '\n%-34s %9s %9s %9s %9s\n' "" quillmark rhash 7-Zip reference
printf '%-34s %8ss %8ss %8ss %8ss\n' "tree: 20000 files of 1-16 KiB" \
    "$tree_quillmark" "$tree_rhash" "$tree_7zip" "$tree_reference"
printf '%-34s %8ss %8ss %8ss %8ss\n' "one file of 1 GiB" \
    "$big_quillmark" "$big_rhash" "$big_7zip" "$big_reference"
echo
echo "tree: rhash/quillmark $(ratio "$tree_rhash" "$tree_quillmark")x," \
    "7-Zip/quillmark $(ratio "$tree_7zip" "$tree_quillmark")x," \
    "quillmark/read loop $(ratio "$tree_quillmark" "$tree_reference")x"
echo "file: rhash/quillmark $(ratio "$big_rhash" "$big_quillmark")x," \
    "7-Zip/quillmark $(ratio "$big_7zip" "$big_quillmark")x," \
    "quillmark/cat $(ratio "$big_quillmark" "$big_reference")x"
