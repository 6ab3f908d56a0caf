#!/usr/bin/env bash
# build_compare.sh - two builds of quillmark-cli on the engine's benchmark data (parallel_bench's
# 20,000 files in 200 directories and its 1 GiB file), warm: each case the median of RUNS runs,
# the two builds alternating run by run in this one script, and the second's time over the
# first's, in wall-clock and in processor time.
#
# Usage: bench/build_compare.sh path/to/old/quillmark-cli path/to/new/quillmark-cli
# Environment: TMPDIR (data, about 1.2 GiB), RUNS (default 7).
set -euo pipefail

runs=${RUNS:-7}
script_dir=$(cd "$(dirname "$0")" && pwd)
old=${1:?usage: build_compare.sh OLD_CLI NEW_CLI}
new=${2:?usage: build_compare.sh OLD_CLI NEW_CLI}
command -v /usr/bin/time >/dev/null || { echo "build_compare: /usr/bin/time is missing" >&2; exit 2; }
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

# "wall cpu" seconds of one run, output discarded: the processor time (user and system) is the
# steadier figure on a machine others share.
seconds() {
    /usr/bin/time -o "$work/time" -f '%e %U %S' "$@" >/dev/null 2>&1 ||
        { echo "build_compare: failed: $*" >&2; exit 1; }
    awk '{ printf "%.4f %.4f", $1, $2 + $3 }' "$work/time"
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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (a > 0 ? b / a : 0) }'; }
printf '%-20s %9s %9s %8s   %9s %9s %8s\n' case "old wall" "new wall" new/old "old cpu" "new cpu" \
    new/old
compare_case() {
    local label=$1; shift
    local old_wall=() new_wall=() old_cpu=() new_cpu=() wall cpu
    for ((round = 0; round < runs; ++round)); do
        read -r wall cpu <<<"$(seconds "$old" "$@")"
        old_wall+=("$wall"); old_cpu+=("$cpu")
        read -r wall cpu <<<"$(seconds "$new" "$@")"
        new_wall+=("$wall"); new_cpu+=("$cpu")
    done
    local a b c d
    a=$(median "${old_wall[@]}"); b=$(median "${new_wall[@]}")
    c=$(median "${old_cpu[@]}"); d=$(median "${new_cpu[@]}")
    printf '%-20s %9s %9s %8s   %9s %9s %8s\n' "$label" "$a" "$b" "$(ratio "$a" "$b")" "$c" "$d" \
        "$(ratio "$c" "$d")"
}
compare_case "warm tree" -t --no-progress "$tree/"
compare_case "warm tree -j 1" -t --no-progress -j 1 "$tree/"
compare_case "warm tree sorted" -s --no-progress "$tree/"
compare_case "warm 1 GiB file" -t --no-progress "$big"
