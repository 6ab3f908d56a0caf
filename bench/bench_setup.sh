# bench_setup.sh - sourced by the benchmark scripts: finds quillmark-cli and the peer tools, makes
# the scratch directory (removed on exit) and builds the data maker.
# Needs: name (the script's name for messages), tools (the commands it compares with).
# shellcheck shell=bash disable=SC2154,SC2034  # name and tools come from the script; can_drop goes back to it
script_dir=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
cli=${1:-${QUILLMARK_CLI:-$script_dir/../build/cli/quillmark-cli}}
[[ -x $cli ]] || { echo "$name: no quillmark-cli at $cli" >&2; exit 2; }
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "$name: $tool is not installed" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree
big=$work/big.bin
cc -O2 -o "$work/make_data" "$script_dir/make_data.c"
# Files changed within the last two seconds are read twice (a write may still be under way): wait
# that long after making data, so the runs measure one read of each file.
settle() { sync; sleep 2.1; }

# Dropping the page cache needs root; cold runs are skipped without it.
can_drop=0
if [[ $(id -u) -eq 0 ]] && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then can_drop=1; fi
drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }
warm() { find "$tree" -type f -exec cat {} + >/dev/null; cat "$big" >/dev/null; }

# Seconds taken by one run of the command, output discarded.
seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "$name: failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns="$((end - start))" 'BEGIN { printf "%.4f", ns / 1e9 }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
