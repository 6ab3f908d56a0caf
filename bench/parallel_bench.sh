#!/usr/bin/env bash
# parallel_bench.sh - the engine with many files in flight against itself one file at a time
# (-j 1), rhash, 7-Zip, `cat` and `find | xargs -P16 cat`, cold and warm, each ratio the median of
# RUNS alternating runs in this one script; on the warm tree, a bare read loop on two threads and
# on one shows what the cores can give.
#
# Usage: bench/parallel_bench.sh [path/to/quillmark-cli]   (or set QUILLMARK_CLI)
# Environment: TMPDIR (data, about 1.2 GiB), RUNS (default 5), MILLION=1 to add the run over
# 1,000,000 empty files (a few minutes to create).
# Cold runs drop the page cache first, which needs root; without it they are skipped with a note.
set -euo pipefail

runs=${RUNS:-5}
name=parallel_bench
tools=(rhash 7zz cc /usr/bin/time)
# shellcheck source=bench/bench_setup.sh
source "$(dirname "$0")/bench_setup.sh"
echo "Creating 20000 files in 200 directories and a 1 GiB file in $work ..."
"$work/make_data" "$tree" "$big"
cc -O2 -pthread -o "$work/read_tree_threads" "$script_dir/read_tree_threads.c"
settle


ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# Runs each named command once per round, in turn, RUNS rounds; prints "name median" lines.
# prepare is run before every single run (drop or warm).
compare() {
    local prepare=$1; shift
    declare -A times=()
    local names=()
    while [[ $# -gt 0 && $1 != -- ]]; do names+=("$1"); shift; done
    shift
    local commands=("$@")
    # Each round starts one command later than the one before: the run just after the data is
    # warmed (or the cache dropped) is not like the others, and no command may always be it.
    local count=${#names[@]}
    for ((round = 0; round < runs; ++round)); do
        for ((k = 0; k < count; ++k)); do
            local i=$(((round + k) % count))
            $prepare
            # eval, not bash -c: a shell's own start-up would be timed with every command.
            times[${names[$i]}]+=" $(seconds eval "${commands[$i]}")"
        done
    done
    for name in "${names[@]}"; do
        # shellcheck disable=SC2086
        echo "$name $(median ${times[$name]})"
    done
}

get() { awk -v n="$1" '$1 == n { print $2 }' <<<"$2"; }

echo
if [[ $can_drop -eq 1 ]]; then
    echo "== Cold tree (page cache dropped before every run), median of $runs =="
    cold=$(compare drop auto j1 rhash xargs16 -- \
        "'$cli' -t --no-progress '$tree/'" "'$cli' -t --no-progress -j 1 '$tree/'" \
        "rhash --crc32 -r '$tree'" "find '$tree' -type f -print0 | xargs -0 -P16 -n 100 cat")
    echo "$cold"
    echo "auto / -j 1:      $(ratio "$(get auto "$cold")" "$(get j1 "$cold")")  (target <= 0.5)"
    echo "auto / rhash:     $(ratio "$(get auto "$cold")" "$(get rhash "$cold")")  (target <= 0.45)"
    echo "auto / xargs -P16 cat: $(ratio "$(get auto "$cold")" "$(get xargs16 "$cold")")  (target <= 1.2)"
else
    echo "== Cold tree: skipped (dropping the page cache needs root) =="
fi

echo
echo "== Warm tree, median of $runs =="
warm
warmtree=$(compare warm auto j1 loop2 loop1 -- \
    "'$cli' -t --no-progress '$tree/'" "'$cli' -t --no-progress -j 1 '$tree/'" \
    "'$work/read_tree_threads' '$tree' 2" "'$work/read_tree_threads' '$tree' 1")
echo "$warmtree"
echo "auto / -j 1: $(ratio "$(get auto "$warmtree")" "$(get j1 "$warmtree")")  (target <= 0.65)"
echo "a bare read loop, two threads / one: $(ratio "$(get loop2 "$warmtree")" "$(get loop1 "$warmtree")")  (what the cores give)"

echo
echo "== Warm 1 GiB file, median of $runs =="
bigfile=$(compare warm auto j1 cat 7zip -- \
    "'$cli' -t --no-progress '$big'" "'$cli' -t --no-progress -j 1 '$big'" "cat '$big'" \
    "7zz h -scrcCRC32 '$big'")
echo "$bigfile"
echo "auto / cat:  $(ratio "$(get auto "$bigfile")" "$(get cat "$bigfile")")  (target <= 1.15)"
echo "7-Zip / auto: $(ratio "$(get 7zip "$bigfile")" "$(get auto "$bigfile")")  (target >= 2)"

echo
echo "== Checks against the runs that made their listings, median of $runs =="
"$cli" -t --no-progress "$tree/" >"$work/tree.lst"
"$cli" -t --no-progress "$big" >"$work/big.lst"
for listing in tree big; do
    "$cli" -c --no-progress "$work/$listing.lst" >/dev/null 2>&1 ||
        { echo "parallel_bench: the fresh $listing listing does not check" >&2; exit 1; }
done
warm
treecheck=$(compare warm run check -- \
    "'$cli' -t --no-progress '$tree/'" "'$cli' -c --no-progress '$work/tree.lst'")
echo "warm tree: $treecheck" | tr '\n' ' '; echo
echo "warm tree check / run: $(ratio "$(get check "$treecheck")" "$(get run "$treecheck")")  (target <= 1.1)"
bigcheck=$(compare warm run check -- \
    "'$cli' -t --no-progress '$big'" "'$cli' -c --no-progress '$work/big.lst'")
echo "warm 1 GiB: $bigcheck" | tr '\n' ' '; echo
echo "warm 1 GiB check / run: $(ratio "$(get check "$bigcheck")" "$(get run "$bigcheck")")  (target <= 1.1)"
if [[ $can_drop -eq 1 ]]; then
    coldcheck=$(compare drop run check -- \
        "'$cli' -t --no-progress '$tree/'" "'$cli' -c --no-progress '$work/tree.lst'")
    echo "cold tree: $coldcheck" | tr '\n' ' '; echo
    echo "cold tree check / run: $(ratio "$(get check "$coldcheck")" "$(get run "$coldcheck")")  (target <= 1.2)"
fi

if [[ ${MILLION:-0} == 1 ]]; then
    echo
    echo "== 1,000,000 empty files in 1,000 directories, warm, median of $runs =="
    mkdir "$work/million"
    for d in $(seq -w 0 999); do
        mkdir "$work/million/d$d"
        (cd "$work/million/d$d" && touch $(seq -f 'f%04g' 0 999))
    done
    settle
    for sort in "" "-s"; do
        label=${sort:-unsorted}
        million=$(compare true auto j1 -- \
            "'$cli' -t $sort --no-progress '$work/million/'" \
            "'$cli' -t $sort --no-progress -j 1 '$work/million/'")
        echo "$label: $million" | tr '\n' ' '; echo
        echo "$label auto / -j 1 time: $(ratio "$(get auto "$million")" "$(get j1 "$million")")  (target <= 1)"
        mem_auto=$(/usr/bin/time -f %M "$cli" -t $sort --no-progress "$work/million/" 2>&1 >/dev/null | tail -1)
        mem_one=$(/usr/bin/time -f %M "$cli" -t $sort --no-progress -j 1 "$work/million/" 2>&1 >/dev/null | tail -1)
        echo "$label peak memory: auto ${mem_auto} KiB, -j 1 ${mem_one} KiB, ratio $(ratio "$mem_auto" "$mem_one")  (target <= 1.2)"
    done
fi
