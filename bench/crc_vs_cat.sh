#!/usr/bin/env bash
# crc_vs_cat.sh - the checksum engine's file throughput against cat on the same warm files:
# a 1 GiB random file in binary mode, a 1 GiB CR LF text file in ASCII and Unix-LF mode.
# Wall-clock rates are the target; processor-time rates (user + system) show the cost when
# other work shares the machine.
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

min() { if [[ -z $1 ]] || (($(echo "$2 < $1" | bc -l))); then echo "$2"; else echo "$1"; fi; }

# Best wall and best processor seconds of cat over REPEAT runs.
time_cat() {
    local wall="" cpu="" real user sys
    for ((i = 0; i < REPEAT; i++)); do
        read -r real user sys < <({ TIMEFORMAT='%R %U %S'; time cat "$1" >/dev/null; } 2>&1)
        wall=$(min "$wall" "$real")
        cpu=$(min "$cpu" "$(echo "$user + $sys" | bc -l)")
    done
    echo "$wall $cpu"
}

time_crc() {  # file mode
    "$BENCH" --file "$1" --mode "$2" --repeat "$REPEAT" | cut -d' ' -f1,2
}

mbps() { echo "scale=0; $1 / $2 / 1000000" | bc -l; }

report() {  # label file "wall cpu" "cat-wall cat-cpu"
    local bytes wall cpu cat_wall cat_cpu
    bytes=$(stat -c %s "$2")
    read -r wall cpu <<<"$3"
    read -r cat_wall cat_cpu <<<"$4"
    printf '%-20s wall %6s MB/s  %.2f x cat   processor %6s MB/s  %.2f x cat\n' "$1" \
        "$(mbps "$bytes" "$wall")" "$(echo "$cat_wall / $wall" | bc -l)" \
        "$(mbps "$bytes" "$cpu")" "$(echo "$cat_cpu / $cpu" | bc -l)"
}

cat_binary=$(time_cat "$BINARY")
binary=$(time_crc "$BINARY" binary)
cat_text=$(time_cat "$TEXT")
ascii=$(time_crc "$TEXT" ascii)
unix=$(time_crc "$TEXT" unix)

echo "best of $REPEAT, 1 GiB files in $DIR"
report "cat random.bin" "$BINARY" "$cat_binary" "$cat_binary"
report "crc binary" "$BINARY" "$binary" "$cat_binary"
report "cat lines.txt" "$TEXT" "$cat_text" "$cat_text"
report "crc ascii (CR LF)" "$TEXT" "$ascii" "$cat_text"
report "crc unix-lf (CR LF)" "$TEXT" "$unix" "$cat_text"
