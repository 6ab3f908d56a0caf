#!/usr/bin/env bash
# deep_tree_bench.sh - quillmark-cli on trees 1,000 and 10,000 directories deep: peak memory and
# time of a run, a sorted run and a check with --new, all with 1,024 descriptors; with a second
# build given, the same for it (with as many descriptors as the system allows, which it needs).
#
# Usage: bench/deep_tree_bench.sh [path/to/quillmark-cli [path/to/other/quillmark-cli]]
# Environment: TMPDIR (where the trees go; a memory file system such as /dev/shm removes them in
# a second, some disks take a minute).
set -euo pipefail

script_dir=$(cd "$(dirname "$0")" && pwd)
cli=${1:-${QUILLMARK_CLI:-$script_dir/../build/cli/quillmark-cli}}
other=${2:-}
[[ -x $cli ]] || { echo "deep_tree_bench: no quillmark-cli at $cli" >&2; exit 2; }
[[ -z $other || -x $other ]] || { echo "deep_tree_bench: no quillmark-cli at $other" >&2; exit 2; }
for tool in python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "deep_tree_bench: $tool is not installed" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-deep-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A chain of directories named d, each made inside its parent, with a file every 100 levels and
# a side directory with a file every 250 (walked after the chain below it, when the walk climbs
# back).
make_tree() {
    python3 - "$1" "$2" <<'PY'
import os, sys
root, levels = sys.argv[1], int(sys.argv[2])
os.mkdir(root)
fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
def write(name, data, at):
    f = os.open(name, os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=at)
    os.write(f, data)
    os.close(f)
for level in range(levels + 1):
    if level % 100 == 0:
        write(f"f{level}.txt", b"level %d\n" % level, fd)
    if level % 250 == 125:
        os.mkdir("side", dir_fd=fd)
        side = os.open("side", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
        write("s.txt", b"side\n", side)
        os.close(side)
    if level == levels:
        break
    os.mkdir("d", dir_fd=fd)
    child = os.open("d", os.O_RDONLY | os.O_DIRECTORY, dir_fd=fd)
    os.close(fd)
    fd = child
PY
}

# "KiB seconds" of one command with limit descriptors, its output discarded, or "failed" and
# the start of what it said.
measure() {
    local limit=$1; shift
    if (ulimit -n "$limit" && exec /usr/bin/time -o "$work/time" -f '%M %e' "$@") \
        >/dev/null 2>"$work/err"; then
        tail -1 "$work/time"
    else
        echo "failed: $(head -c 100 "$work/err" | tr '\n' ' ')"
    fi
}

printf '%-8s %-9s %-12s %16s %16s\n' levels build command "peak KiB" seconds
for levels in 1000 10000; do
    tree=$work/tree$levels
    make_tree "$tree" "$levels"
    "$cli" -t --no-progress "$tree/" >"$work/listing$levels"
    builds=(new)
    [[ -n $other ]] && builds+=(other)
    for build in "${builds[@]}"; do
        program=$cli
        limit=1024
        if [[ $build == other ]]; then program=$other; limit=$(ulimit -Hn); fi
        for command in run sorted check-new; do
            case $command in
                run) args=(-t --no-progress "$tree/") ;;
                sorted) args=(-s --no-progress "$tree/") ;;
                check-new) args=(-c --new --no-progress "$work/listing$levels") ;;
            esac
            result=$(measure "$limit" "$program" "${args[@]}")
            if [[ $result == failed* ]]; then
                printf '%-8s %-9s %-12s %s\n' "$levels" "$build" "$command" "$result"
            else
                read -r kib seconds <<<"$result"
                printf '%-8s %-9s %-12s %16s %16s\n' "$levels" "$build" "$command" "$kib" \
                    "$seconds"
            fi
        done
    done
    rm -rf "$tree"
done
