#!/usr/bin/env bash
# compare_builds.sh - two builds of quillmark-cli on the engine's benchmark data: the 20,000-file
# tree warm and cold and the 1 GiB file warm, in every read mode for the file; each ratio NEW/OLD
# is the median of RUNS alternating runs (default 7). The outputs must be byte-identical.
# Cold runs on a virtual disk vary far more than warm ones: the cold tree takes COLD_RUNS rounds
# (default 3 x RUNS), each running the old build twice, so the old build's ratio to itself shows
# how far apart two equal builds come out.
#
# Usage: bench/compare_builds.sh OLD-quillmark-cli NEW-quillmark-cli
# Cold runs drop the page cache first, which needs root; without it they are skipped.
set -euo pipefail

[[ $# -eq 2 ]] || { echo "usage: $0 OLD-quillmark-cli NEW-quillmark-cli" >&2; exit 2; }
old=$(realpath "$1")
runs=${RUNS:-7}
cold_runs=${COLD_RUNS:-$((3 * runs))}
name=compare_builds
tools=()
# shellcheck source=bench/bench_setup.sh
source "$(dirname "$0")/bench_setup.sh" "$2"
echo "Creating 20000 files in 200 directories and a 1 GiB file in $work ..."
"$work/make_data" "$tree" "$big"
settle



# label, prepare, then the arguments after the program
compare() {
    local label=$1 prepare=$2; shift 2
    cmp <("$old" --no-progress "$@" 2>&1) <("$cli" --no-progress "$@" 2>&1) ||
        { echo "compare_builds: $label: the outputs differ" >&2; exit 1; }
    local old_times=() new_times=()
    # The order swaps each round: the run just after the data is warmed (or the cache dropped)
    # is not like the one after it, and that must not count for either build.
    for ((round = 0; round < runs; ++round)); do
        if ((round % 2 == 0)); then
            $prepare; old_times+=("$(seconds "$old" --no-progress "$@")")
            $prepare; new_times+=("$(seconds "$cli" --no-progress "$@")")
        else
            $prepare; new_times+=("$(seconds "$cli" --no-progress "$@")")
            $prepare; old_times+=("$(seconds "$old" --no-progress "$@")")
        fi
    done
    local o n
    o=$(median "${old_times[@]}")
    n=$(median "${new_times[@]}")
    awk -v l="$label" -v o="$o" -v n="$n" \
        'BEGIN { printf "%-28s old %7.3f s  new %7.3f s  new/old %.3f\n", l, o, n, n / o }'
}

# The old build, the new one and the old one again, the order turning each round.
compare_cold() {
    local label=$1; shift
    local builds=("$old" "$cli" "$old") times=("" "" "")
    for ((round = 0; round < cold_runs; ++round)); do
        for ((k = 0; k < 3; ++k)); do
            local i=$(((round + k) % 3))
            drop
            times[i]+=" $(seconds "${builds[i]}" --no-progress "$@")"
        done
    done
    local o n again
    # shellcheck disable=SC2086
    { o=$(median ${times[0]}); n=$(median ${times[1]}); again=$(median ${times[2]}); }
    awk -v l="$label" -v o="$o" -v n="$n" -v a="$again" -v r="$cold_runs" \
        'BEGIN { printf "%-28s old %7.3f s  new %7.3f s  new/old %.3f  (old/old %.3f; %d rounds)\n",
                 l, o, n, n / o, a / o, r }'
}

echo "Medians of $runs alternating runs; outputs compared byte for byte first."
warm
compare "warm tree" warm -t "$tree/"
compare "warm tree -j 1" warm -t -j 1 "$tree/"
compare "warm 1 GiB binary" warm -t "$big"
compare "warm 1 GiB ASCII" warm -t -a "$big"
compare "warm 1 GiB Unix LF" warm -t -u "$big"
if [[ $can_drop -eq 1 ]]; then
    compare_cold "cold tree" -t "$tree/"
else
    echo "cold tree: skipped (dropping the page cache needs root)"
fi
