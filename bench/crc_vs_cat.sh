#!/usr/bin/env bash
# crc_vs_cat.sh - the checksum engine's file throughput against cat on the same warm files:
# a 1 GiB random file in binary mode, a 1 GiB CR LF text file in ASCII and Unix-LF mode.
#
#   bench/crc_vs_cat.sh [path/to/crc_bench] [repetitions]
set -euo pipefail

BENCH=${1:-build/bench/crc_bench}
REPEAT=${2:-5}
DIR=$(mktemp -d "${TMPDIR:-/tmp}/crc-vs-cat.XXXXXX")
trap 'rm -rf "$DIR"' EXIT
BINARY=$DIR/random.bin
TEXT=$DIR/lines.txt
SIZE=$((1 << 30))

head -c "$SIZE" /dev/urandom >"$BINARY"
"$BENCH" --write-text "$TEXT" "$SIZE"
cat "$BINARY" "$TEXT" >/dev/null  # warm the page cache

# Best wall time of cat over REPEAT runs, in seconds.
best_cat() {
    local best="" start end took
    for ((i = 0; i < REPEAT; i++)); do
        start=$(date +%s.%N)
        cat "$1" >/dev/null
        end=$(date +%s.%N)
        took=$(echo "$end - $start" | bc -l)
        if [[ -z $best ]] || (($(echo "$took < $best" | bc -l))); then best=$took; fi
    done
    echo "$best"
}

mbps() { echo "scale=0; $1 / $2 / 1000000" | bc -l; }

report() {  # label file seconds cat-seconds
    local bytes
    bytes=$(stat -c %s "$2")
    printf '%-22s %8s MB/s   %.2f x cat\n' "$1" "$(mbps "$bytes" "$3")" \
        "$(echo "$4 / $3" | bc -l)"
}

cat_binary=$(best_cat "$BINARY")
cat_text=$(best_cat "$TEXT")
binary=$("$BENCH" --file "$BINARY" --mode binary --repeat "$REPEAT" | cut -d' ' -f1)
ascii=$("$BENCH" --file "$TEXT" --mode ascii --repeat "$REPEAT" | cut -d' ' -f1)
unix=$("$BENCH" --file "$TEXT" --mode unix --repeat "$REPEAT" | cut -d' ' -f1)

report "cat random.bin" "$BINARY" "$cat_binary" "$cat_binary"
report "crc binary" "$BINARY" "$binary" "$cat_binary"
report "cat lines.txt" "$TEXT" "$cat_text" "$cat_text"
report "crc ascii (CR LF)" "$TEXT" "$ascii" "$cat_text"
report "crc unix-lf (CR LF)" "$TEXT" "$unix" "$cat_text"
