# bench_setup.sh - sourced by the benchmark scripts: finds quillmark-cli and the peer tools, makes
# the scratch directory (removed on exit) and builds the data maker.
# Needs: name (the script's name for messages), tools (the commands it compares with).
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
