#!/usr/bin/env bash
# torn_read_stress.sh - quillmark-cli against a writer that rewrites its file in place without
# pause (all 'A', then all 'B', the same size): every result must be the checksum of one whole
# version or the read-error line, never a checksum of a mix. 4 MiB with -j 1, 64 MiB in the
# default mode (large files split over the cores); RUNS runs each (default 300).
#
# Usage: bench/torn_read_stress.sh [path/to/quillmark-cli]   (or set QUILLMARK_CLI)
set -euo pipefail

runs=${RUNS:-300}
name=torn_read_stress
tools=(cc)
# shellcheck source=bench/bench_setup.sh
source "$(dirname "$0")/bench_setup.sh"
cc -O2 -o "$work/rewriter" "$script_dir/rewriter.c"

# size in bytes, then the options of the runs
stress() {
    local size=$1; shift
    local file=$work/target-$size
    head -c "$size" /dev/zero | tr '\0' A >"$work/all-a"
    head -c "$size" /dev/zero | tr '\0' B >"$work/all-b"
    local crc_a crc_b
    crc_a=$("$cli" -t --no-progress "$work/all-a" | cut -c1-8)
    crc_b=$("$cli" -t --no-progress "$work/all-b" | cut -c1-8)
    cp "$work/all-a" "$file"
    "$work/rewriter" "$file" "$size" &
    local writer=$!
    local whole=0 refused=0 torn=0
    for ((i = 0; i < runs; ++i)); do
        line=$("$cli" -t --no-progress "$@" "$file" 2>/dev/null || true)
        case $line in
            "$crc_a "* | "$crc_b "*) whole=$((whole + 1)) ;;
            "Error encountered reading the file"*) refused=$((refused + 1)) ;;
            *) torn=$((torn + 1)); echo "  torn: $line" ;;
        esac
    done
    kill "$writer"; wait "$writer" 2>/dev/null || true
    echo "$size bytes, options '$*': $runs runs: $whole whole versions, $refused read-error lines, $torn torn"
    [[ $torn -eq 0 ]]
}

status=0
stress $((4 << 20)) -j 1 || status=1
stress $((64 << 20)) || status=1
exit $status
