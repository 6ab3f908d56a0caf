#!/usr/bin/env bash
# build_compare.sh - two builds of quillmark-cli on the engine's benchmark data (parallel_bench's
# 20,000 files in 200 directories and its 1 GiB file), warm: each case the median of RUNS runs,
# the two builds alternating run by run in this one script, and the second's time over the
# first's.
#
# Usage: bench/build_compare.sh path/to/old/quillmark-cli path/to/new/quillmark-cli
# Environment: TMPDIR (data, about 1.2 GiB), RUNS (default 7).
set -euo pipefail

runs=${RUNS:-7}
script_dir=$(cd "$(dirname "$0")" && pwd)
old=${1:?usage: build_compare.sh OLD_CLI NEW_CLI}
new=${2:?usage: build_compare.sh OLD_CLI NEW_CLI}
for cli in "$old" "$new"; do
    [[ -x $cli ]] || { echo "build_compare: no quillmark-cli at $cli" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree
big=$work/big.bin
cc -O2 -o "$work/make_data" "$script_dir/make_data.c"
echo "Creating 20000 files in 200 directories and a 1 GiB file in $work ..."
"$work/make_data" "$tree" "$big"
find "$tree" -type f -exec cat {} + >/dev/null
cat "$big" >/dev/null

seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "build_compare: failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns="$((end - start))" 'BEGIN { printf "%.4f", ns / 1e9 }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# Both builds must print the same bytes before their times mean anything.
for args in "-t" "-s" "-t -j 1"; do
    # shellcheck disable=SC2086
    if ! cmp -s <("$old" $args --no-progress "$tree/") <("$new" $args --no-progress "$tree/"); then
        echo "build_compare: the builds' outputs differ for $args" >&2
        exit 1
    fi
done

printf '%-22s %10s %10s %10s\n' case old new new/old
compare_case() {
    local label=$1; shift
    local old_times=() new_times=()
    for ((round = 0; round < runs; ++round)); do
        old_times+=("$(seconds "$old" "$@")")
        new_times+=("$(seconds "$new" "$@")")
    done
    local a b
    a=$(median "${old_times[@]}")
    b=$(median "${new_times[@]}")
    printf '%-22s %10s %10s %10s\n' "$label" "$a" "$b" "$(awk -v a="$a" -v b="$b" \
        'BEGIN { printf "%.3f", (a > 0 ? b / a : 0) }')"
}
compare_case "warm tree" -t --no-progress "$tree/"
compare_case "warm tree -j 1" -t --no-progress -j 1 "$tree/"
compare_case "warm tree sorted" -s --no-progress "$tree/"
compare_case "warm 1 GiB file" -t --no-progress "$big"
