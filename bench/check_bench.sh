#!/usr/bin/env bash
# check_bench.sh - quillmark-cli --check against the run that made its listing, on the same tree
# in the same session, and the check's peak memory for listings of 10 thousand and 1 million
# entries.
#
# Usage: bench/check_bench.sh [path/to/quillmark-cli]   (or set QUILLMARK_CLI)
# Environment: TMPDIR (where the data goes, about 350 MiB), RUNS (median of, default 5).
set -euo pipefail

script_dir=$(cd "$(dirname "$0")" && pwd)
cli=${1:-${QUILLMARK_CLI:-$script_dir/../build/cli/quillmark-cli}}
runs=${RUNS:-5}
[[ -x $cli ]] || { echo "check_bench: no quillmark-cli at $cli" >&2; exit 2; }
cli=$(realpath "$cli")
command -v python3 >/dev/null || { echo "check_bench: python3 is not installed" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quillmark-check-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- the data: 100 directories of 100 files of 1 to 16 KiB, and one 256 MiB file ---
python3 - "$work/tree" <<'PY'
import os, random, sys
random.seed(7)
root = sys.argv[1]
for d in range(100):
    os.makedirs(f"{root}/dir{d:03d}")
    for f in range(100):
        with open(f"{root}/dir{d:03d}/file{f:03d}.dat", "wb") as out:
            out.write(random.randbytes(random.randint(1024, 16 * 1024)))
with open(f"{root}/big.bin", "wb") as out:
    for _ in range(256):
        out.write(random.randbytes(1 << 20))
PY

# Wall time in seconds of one command, output thrown away.
seconds() {
    python3 - "$@" <<'PY'
import subprocess, sys, time
start = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
print(f"{time.perf_counter() - start:.4f}")
PY
}

# Peak resident memory in KiB of one command.
peak_kib() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cd "$work"
sleep 2.1  # files changed within two seconds are read twice: measure one read of each
"$cli" -t tree/ >listing.txt
"$cli" --check listing.txt >/dev/null 2>&1 || { echo "check_bench: the fresh listing does not check" >&2; exit 1; }
cat tree/dir*/* tree/big.bin >/dev/null  # warm the cache for both sides alike

run_times=()
check_times=()
for ((i = 0; i < runs; ++i)); do
    run_times+=("$(seconds "$cli" -t tree/)")
    check_times+=("$(seconds "$cli" --check listing.txt)")
done
run=$(printf '%s\n' "${run_times[@]}" | median)
check=$(printf '%s\n' "${check_times[@]}" | median)
echo "tree: 10000 files of 1-16 KiB and one of 256 MiB; median of $runs alternating runs"
printf '  quillmark-cli -t tree/          %8.3f s\n' "$run"
printf '  quillmark-cli --check listing   %8.3f s\n' "$check"
awk -v c="$check" -v r="$run" 'BEGIN { printf "  check / run                     %8.2f\n", c / r }'

# --- memory: the same small file listed 10 thousand and 1 million times ---
printf 'hello\n' >one.txt
line=$("$cli" -t one.txt)
for count in 10000 1000000; do
    awk -v line="$line" -v count="$count" 'BEGIN { for (i = 0; i < count; ++i) print line }' \
        >"many-$count.txt"
done
small=$(peak_kib "$cli" --check --quiet many-10000.txt)
large=$(peak_kib "$cli" --check --quiet many-1000000.txt)
echo "peak memory of --check"
printf '  10 thousand entries             %8d KiB\n' "$small"
printf '  1 million entries               %8d KiB\n' "$large"
awk -v l="$large" -v s="$small" 'BEGIN { printf "  1 million / 10 thousand         %8.2f\n", l / s }'
