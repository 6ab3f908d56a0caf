#!/usr/bin/env bash
# kernel_compare.sh - two builds of quillmark-cli (say, before and after a change of CRC kernel)
# on the same warm 1 GiB files in every mode: binary on random bytes, -a on CR LF text, -u on LF
# text. Runs alternate between the builds; each figure is the median of RUNS runs, wall-clock and
# processor time, and each ratio is NEW's median over OLD's.
#
# Usage: bench/kernel_compare.sh OLD-quillmark-cli NEW-quillmark-cli
# Environment: TMPDIR (data, 3 GiB), RUNS (default 7).
set -euo pipefail

[[ $# -eq 2 && -x $1 && -x $2 ]] || { echo "usage: $0 OLD-quillmark-cli NEW-quillmark-cli" >&2; exit 2; }
old=$(realpath "$1")
new=$(realpath "$2")
runs=${RUNS:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-kernel.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"  # neither build finds a settings.dat here

echo "Writing 1 GiB of random bytes, 1 GiB of CR LF text and 1 GiB of LF text in $work ..."
head -c $((1 << 30)) /dev/urandom >random.bin
# 1 MiB of printable lines of 40 to 100 characters, repeated to 1 GiB.
awk 'BEGIN { srand(1); n = 0
    while (n < 1048576) { len = 40 + int(rand() * 61); line = ""
        for (i = 0; i < len; i++) line = line sprintf("%c", 32 + int(rand() * 95))
        printf "%s\r\n", line; n += len + 2 } }' >block.txt
for ((i = 0; i < 1024; i++)); do cat block.txt; done >crlf.txt
tr -d '\r' <crlf.txt >lf.txt
rm block.txt
cat random.bin crlf.txt lf.txt >/dev/null
sleep 2.1  # files changed within two seconds are read twice: measure one read of each

# "wall processor" seconds of one run, output discarded; processor time (user + system) shows the
# cost apart from waiting when other work shares the machine.
seconds() {
    local real user sys
    read -r real user sys < <({ TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1) ||
        { echo "kernel_compare: failed: $*" >&2; exit 1; }
    awk -v r="$real" -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f %.3f", r, u + s }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

printf '%-18s %8s %8s %8s   %8s %8s %8s\n' "mode" "old wall" "new wall" "new/old" \
    "old cpu" "new cpu" "new/old"
for mode in "binary random.bin" "-a crlf.txt" "-u lf.txt"; do
    read -r flag file <<<"$mode"
    args=(-t "$file")
    [[ $flag == binary ]] || args=("$flag" -t "$file")
    # Both must agree to the byte; one run each also warms what they use.
    cmp -s <("$old" "${args[@]}") <("$new" "${args[@]}") ||
        { echo "kernel_compare: the builds disagree on ${args[*]}" >&2; exit 1; }
    old_wall=() new_wall=() old_cpu=() new_cpu=()
    for ((r = 0; r < runs; r++)); do
        read -r wall cpu <<<"$(seconds "$old" "${args[@]}")"
        old_wall+=("$wall") old_cpu+=("$cpu")
        read -r wall cpu <<<"$(seconds "$new" "${args[@]}")"
        new_wall+=("$wall") new_cpu+=("$cpu")
    done
    ow=$(median "${old_wall[@]}") nw=$(median "${new_wall[@]}")
    oc=$(median "${old_cpu[@]}") nc=$(median "${new_cpu[@]}")
    printf '%-18s %8s %8s %8s   %8s %8s %8s\n' "$flag ${file}" "$ow" "$nw" "$(ratio "$nw" "$ow")" \
        "$oc" "$nc" "$(ratio "$nc" "$oc")"
done
echo "medians of $runs alternating runs (seconds); old $old, new $new"
