#!/usr/bin/env bash
# window_bench.sh - the desktop program under a real X server and window manager (Xvfb +
# openbox, keys pressed with xdotool), measured where the offscreen platform sees nothing:
#   1. CPU ticks of three openings of the Edit menu and three commands while another program
#      holds 10 bytes, then 20 MB, on the clipboard;
#   2. a second run keeps the user's selection, and results land at the pane's end;
#   3. Select All and Copy with 1.2 million lines in the pane: time, CPU ticks and the peak memory
#      of the copy above the window before it, against an older build in the same run;
#   4. how often the progress window's bytes and rate change while a cold 1 GiB file is read.
# Usage: bench/window_bench.sh NEW-quillmark [OLD-quillmark] [BUILD-DIR]   (BUILD-DIR: default
# build, for bench/clipboard_tool, bench/progress_sampler and cli/quillmark-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
new=$(realpath "$1")
old=${2:+$(realpath "$2")}
tools=$(realpath "${3:-build}")/bench
for tool in Xvfb openbox xdotool xprop python3; do
  command -v "$tool" >/dev/null || { echo "window_bench: $tool missing"; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 150); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -m 0700 "$XDG_RUNTIME_DIR" "$HOME"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *window* ]] && break
  sleep 0.1
done
sleep 1

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
now() { date +%s.%N; }
kib() { awk -v key="$2:" '$1 == key {print $2}' "/proc/$1/status"; }
# Waits until the process has used no CPU for 0.6 s; prints when it last did.
last_busy=0
settle() {
  local pid=$1 before after quiet=0
  before=$(ticks "$pid")
  last_busy=$(now)
  while ((quiet < 6)); do
    sleep 0.1
    after=$(ticks "$pid")
    if ((after > before)); then quiet=0; last_busy=$(now); else quiet=$((quiet + 1)); fi
    before=$after
  done
}

app_pid=0
start_app() {
  mkdir -p "$work/start"
  (cd "$work/start" && exec "$1") >"$work/app.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$app_pid" --name '^Quillmark$' 2>/dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "window_bench: no window from $1"; exit 1; }
  xdotool windowactivate --sync "$id"
  settle "$app_pid"
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

owner_pid=0
hold_clipboard() {
  "$tools/clipboard_tool" "$@" >"$work/owner.out" 2>&1 &
  owner_pid=$!
  pids+=("$owner_pid")
  for _ in $(seq 600); do grep -q '^ready' "$work/owner.out" && break; sleep 0.1; done
  grep -q '^ready' "$work/owner.out" || { echo "window_bench: clipboard_tool did not start"; exit 1; }
}

# SECTIONS="1 3" runs only those.
want() { [[ " ${SECTIONS:-1 2 3 4} " == *" $1 "* ]]; }

builds=(new)
[ -n "$old" ] && builds+=(old)
binary() { if [ "$1" = new ]; then echo "$new"; else echo "$old"; fi; }

if want 1; then
echo "== 1. Another program's clipboard: CPU ticks of 3 Edit menu openings and 3 commands"
for build in "${builds[@]}"; do
  for size in 10 20000000; do
    hold_clipboard bytes "$size"
    start_app "$(binary "$build")"
    before=$(ticks "$app_pid")
    for _ in 1 2 3; do
      xdotool key alt+e; sleep 0.3; xdotool key Escape; sleep 0.2
      xdotool key ctrl+n; sleep 0.2
    done
    settle "$app_pid"
    after=$(ticks "$app_pid")
    printf '%s build, %9s B clipboard: %4d ticks\n' "$build" "$size" $((after - before))
    eval "ticks_${build}_${size}=$((after - before))"
    stop "$app_pid"; stop "$owner_pid"
  done
done
awk -v small="$ticks_new_10" -v big="$ticks_new_20000000" \
  'BEGIN {printf "new build: 20 MB costs %.2fx the ticks of 10 B (at most 2 wanted)\n", big / (small > 0 ? small : 1)}'
fi

if want 2; then
echo "== 2. A second run keeps the selection; results go to the pane's end"
mkdir -p "$work/example"
printf 'The quick brown fox jumps over the lazy dog' >"$work/example/fox.txt"
input="$work/example/fox.txt"
block="Filename: $input
File size: 43
CRC 32: 414fa339
"
# The first run comes from the FILE argument; the typed line is selected for the second.
start_app_with() {
  (cd "$work/start" && exec "$new" "$@") >"$work/app.log" 2>&1 &
  app_pid=$!
  pids+=("$app_pid")
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$app_pid" --name '^Quillmark$' 2>/dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  xdotool windowactivate --sync "$id"
  settle "$app_pid"
}
mkdir -p "$work/start"
start_app_with "$input"
xdotool type --delay 20 'keep me'
xdotool key shift+Home
xdotool key ctrl+b; sleep 0.5; xdotool key Return; sleep 0.5; settle "$app_pid"
xdotool key ctrl+c; sleep 0.3
selection=$("$tools/clipboard_tool" read)
xdotool key ctrl+a ctrl+c; sleep 0.3
pane=$("$tools/clipboard_tool" read; echo .)
expected="$block
keep me$block
."
[ "$selection" = "keep me" ] && echo "selection kept: '$selection'" || echo "FAILED: selection is now '$selection'"
[ "$pane" = "$expected" ] && echo "pane: the first run, the typed text, then the second run" || printf 'FAILED: pane holds\n%s\n' "$pane"
stop "$app_pid"
fi

if want 3; then
echo "== 3. Select All and Copy with 1,200,000 lines in the pane"
for build in "${builds[@]}"; do
  hold_clipboard lines 1200000
  bytes=$(awk '{print $2}' "$work/owner.out")
  start_app "$(binary "$build")"
  xdotool key ctrl+v
  settle "$app_pid"
  stop "$owner_pid"
  t0=$(now); k0=$(ticks "$app_pid")
  xdotool key ctrl+a
  settle "$app_pid"
  select_s=$(echo "$last_busy - $t0" | bc); select_ticks=$(($(ticks "$app_pid") - k0))
  idle=$(kib "$app_pid" VmRSS)
  echo 5 >"/proc/$app_pid/clear_refs"
  t0=$(now); k0=$(ticks "$app_pid")
  xdotool key ctrl+c
  settle "$app_pid"
  copy_s=$(echo "$last_busy - $t0" | bc); copy_ticks=$(($(ticks "$app_pid") - k0))
  peak=$(kib "$app_pid" VmHWM)
  copied=$("$tools/clipboard_tool" read | wc -c)
  printf '%s build: Ctrl+A %.2f s (%d ticks), Ctrl+C %.2f s (%d ticks), copy peak %.1f MB above %.1f MB for %.1f MB of text (%.2fx); %d bytes on the clipboard\n' \
    "$build" "$select_s" "$select_ticks" "$copy_s" "$copy_ticks" "$(echo "($peak - $idle) / 1024" | bc -l)" \
    "$(echo "$idle / 1024" | bc -l)" "$(echo "$bytes / 1048576" | bc -l)" "$(echo "($peak - $idle) * 1024 / $bytes" | bc -l)" "$copied"
  eval "select_${build}=$select_s copy_${build}=$copy_s"
  stop "$app_pid"
done
if [ -n "$old" ]; then
  awk -v sn="$select_new" -v so="$select_old" -v cn="$copy_new" -v co="$copy_old" \
    'BEGIN {printf "old/new: Ctrl+A %.1fx, Ctrl+C %.1fx faster (at least 5 wanted)\n", so / sn, co / cn}'
fi

fi

if want 4; then
echo "== 4. Progress over a cold 1 GiB file"
dd if=/dev/urandom of="$work/big.bin" bs=1M count=1024 conv=fsync status=none
python3 -c 'import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)' "$work/big.bin"
evict() {
  python3 -c 'import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)' "$1"
}
mkdir -p "$work/start"
for attempt in 1 2 3; do
  evict "$work/big.bin"
  echo "window, cold:"
  (cd "$work/start" && "$tools/progress_sampler" "$work/big.bin")
  # The command line's progress line over the same cold file, for comparison: how long it went
  # without a redraw (each redraw starts with a carriage return).
  evict "$work/big.bin"
  "$tools/../cli/quillmark-cli" -t --progress "$work/big.bin" 2>&1 >/dev/null | python3 -c '
import sys, time
start = last = time.time(); longest = 0; draws = 0
while True:
    c = sys.stdin.buffer.read(1)
    if not c: break
    if c == b"\r":
        now = time.time(); longest = max(longest, now - last); last = now; draws += 1
print("command line, cold: run %.2f s, %d redraws, longest without one %d ms" % (time.time() - start, draws, longest * 1000))'
done
fi
