#!/usr/bin/env bash
# Times the same first full pass over N small files (default 20,000) through
# the real main window (offscreen) and through quillarc-pass, alternating,
# and prints the medians and the window's longest event-loop stall.
#
#   bench/window_pass.sh BUILD_DIR [--files N] [--runs R] [--workdir DIR] [--keep]
#
# Needs the targets bench_window_pass and quillarc-pass. Each run starts
# from an empty backup folder and a list whose one folder item has no
# cut-off, so both copy every file.
set -euo pipefail

build=${1:?usage: bench/window_pass.sh BUILD_DIR [--files N] [--runs R] [--workdir DIR] [--keep]}
shift
files=20000
runs=3
work=""
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

window=$(realpath "$build/bin/bench_window_pass")
pass=$(realpath "$build/bin/quillarc-pass")
for tool in "$window" "$pass"; do
  [ -x "$tool" ] || { echo "no $tool; build the bench_window_pass and quillarc-pass targets" >&2; exit 2; }
done
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-window-bench.XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
if [ $keep = 0 ]; then trap 'rm -rf "$work"' EXIT; fi

src="$work/src"
program="$work/program"
medium="$work/medium"
mkdir -p "$program"

# Small files (64 bytes to 4 KiB) in 200 folders of two levels.
python3 - "$src" "$files" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(42)
for n in range(count):
    folder = os.path.join(root, "d%02d" % (n % 20), "e%02d" % (n // 20 % 10))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.txt" % n), "wb") as f:
        f.write(rng.randbytes(rng.randint(64, 4096)))
PY
cat "$src"/*/*/* > /dev/null  # a warm cache for both alike

fresh() {  # an empty labelled backup folder and a list with no cut-off
  rm -rf "$medium"
  mkdir -p "$medium"
  printf 'BENCH\n' > "$medium/.quillarc-label"
  printf '%s/\r\n' "$medium" > "$program/config"
  printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$src" > "$program/BENCH.ini"
  sync
}

now() { date +%s.%N; }
declare -a wtimes ptimes stalls
sleep 3  # files written in the last two seconds would miss the cut-off test otherwise
for ((r = 0; r < runs; r++)); do
  fresh
  out=$(QT_QPA_PLATFORM=offscreen "$window" "$program")
  wtimes+=("$(sed -n 's/^window_pass_seconds //p' <<<"$out")")
  stalls+=("$(sed -n 's/^longest_stall_ms //p' <<<"$out")")
  status=$(sed -n 's/^status //p' <<<"$out")
  [[ $status == "Complete...  $files Files Found and Backed Up" ]] || { echo "window pass: $out" >&2; exit 1; }

  fresh
  start=$(now)
  "$pass" --program-folder "$program" --drive "$medium/" > /dev/null
  ptimes+=("$(echo "$(now) - $start" | bc)")
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
w=$(median "${wtimes[@]}")
p=$(median "${ptimes[@]}")
echo "files:                 $files"
echo "runs:                  $runs"
echo "window pass (median):  $w s   [${wtimes[*]}]"
echo "quillarc-pass (median): $p s   [${ptimes[*]}]"
echo "ratio window / runner: $(echo "scale=2; $w / $p" | bc)"
echo "longest event-loop stall of the window: $(printf '%s\n' "${stalls[@]}" | sort -n | tail -1) ms   [${stalls[*]}]"
