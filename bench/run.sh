#!/usr/bin/env bash
# Times quillarc-pass against cp -a and rsync -a on one generated tree.
#
#   bench/run.sh BUILD_DIR [--files N] [--big-mib M] [--memory-files N] [--repeat N]
#                [--workdir DIR] [--keep]
#
# Runs, in this order and on the same tree:
#   1. first full pass        quillarc-pass  vs  cp -a  and  rsync -a
#                             (best of --repeat runs, default 2, order alternating)
#   2. 1% of files changed    quillarc-pass  vs  rsync -a (into its earlier copy)
#   3. nothing changed        quillarc-pass  vs  rsync -a
#   4. peak memory of a pass over a tree of --memory-files small files
# Page caches cannot be dropped without root on every machine, so the
# source is read once before the runs (warm cache for every tool alike).
# `sync` runs before each timed command, outside its time, and after it,
# inside: a pass flushes its copies to the disk before it saves its list.
set -euo pipefail

build=${1:?usage: bench/run.sh BUILD_DIR [options]}
shift
files=20000
big=1024
memfiles=100000
repeat=2
work=""
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --big-mib) big=$2; shift 2 ;;
    --memory-files) memfiles=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

here=$(cd "$(dirname "$0")" && pwd)
pass=$(realpath "$build/bin/quillarc-pass")
[ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-bench.XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
if [ $keep = 0 ]; then trap 'rm -rf "$work"' EXIT; fi

src="$work/src"
medium="$work/medium"
program="$work/program"
cpdst="$work/cp"
rsdst="$work/rsync"

# A folder medium for the pass, its config and disk list file.
setup_pass() {  # $1 tree, $2 medium, $3 program folder, $4 label
  rm -rf "$2" "$3"
  mkdir -p "$2" "$3"
  echo "$4" > "$2/.quillarc-label"
  { printf '%s/\r\n' "$2"
    printf '1\r\n0\r\n-13\r\nMS Sans Serif\r\n10\r\nF\r\nF\r\nF\r\nF\r\n'
    printf '510\r\n150\r\n110\r\n50\r\n800\r\n600\r\n0\r\n0\r\nF\r\n'
  } > "$3/config"
  printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$1" > "$3/$4.ini"
}

seconds() { # runs "$@" after a sync, then a sync of its own; prints elapsed seconds
  # A pass flushes the backup disk before it saves its list, so that the
  # list never claims copies a power cut could take; every tool's time
  # therefore runs until its copies are on the disk.
  sync
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1 || true
  sync
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
fmt() { awk -v a="$1" 'BEGIN { printf "%.2f", a }'; }

peak_kib() { # peak resident memory of one pass, KiB
  sync
  /usr/bin/time -v "$pass" --program-folder "$1" 2>&1 >/dev/null | awk -F: '/Maximum resident/ {gsub(/ /,"",$2); print $2}'
}

echo "== Generating the tree ($files files, large file $big MiB) in $src"
python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib "$big"
sleep 3   # files younger than the pass's two-second margin would count as changed
echo "== Warming the page cache with the source"
find "$src" -type f -print0 | xargs -0 cat > /dev/null

echo "== 1. first full pass (best of $repeat, the order of the tools alternating)"
t_pass1=""; t_cp=""; t_rs1=""
best() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b < a) print b; else print a }'; }
run_pass1() { setup_pass "$src" "$medium" "$program" BENCH1; t_pass1=$(best "$t_pass1" "$(seconds "$pass" --program-folder "$program")"); }
run_cp()    { rm -rf "$cpdst"; t_cp=$(best "$t_cp" "$(seconds cp -a "$src" "$cpdst")"); }
run_rs1()   { rm -rf "$rsdst"; t_rs1=$(best "$t_rs1" "$(seconds rsync -a "$src/" "$rsdst/")"); }
for round in $(seq 1 "$repeat"); do
  if [ $((round % 2)) = 1 ]; then run_pass1; run_cp; run_rs1; else run_rs1; run_cp; run_pass1; fi
done
# Peak memory of a first pass, on a fresh medium.
setup_pass "$src" "$work/medium-mem" "$work/program-mem" BENCHMEM
mem1=$(peak_kib "$work/program-mem")
rm -rf "$work/medium-mem" "$work/program-mem" "$cpdst"

echo "== 2. one per cent of the files changed"
sleep 3   # past the new cut-off's two-second margin
python3 "$here/gen_tree.py" "$src" --touch 1
sleep 3
t_pass2=$(seconds "$pass" --program-folder "$program")
t_rs2=$(seconds rsync -a "$src/" "$rsdst/")

echo "== 3. nothing changed"
t_pass3=$(seconds "$pass" --program-folder "$program")
t_rs3=$(seconds rsync -a "$src/" "$rsdst/")
mem3=$(peak_kib "$program")
rm -rf "$medium" "$rsdst"

mem_small=""
if [ "$memfiles" -gt 0 ]; then
  echo "== 4. peak memory over $memfiles small files"
  python3 "$here/gen_tree.py" "$work/many" --files "$memfiles" --big-mib 0 --max-kib 1 --seed 7
  setup_pass "$work/many" "$work/medium-many" "$work/program-many" BENCHMANY
  mem_small=$(peak_kib "$work/program-many")
  rm -rf "$work/many" "$work/medium-many" "$work/program-many"
fi

cat <<REPORT

Results ($files files + ${big} MiB file; warm source cache; seconds)
| run | quillarc-pass | cp -a | rsync -a | pass / cp | pass / rsync |
|---|---|---|---|---|---|
| first full pass | $(fmt "$t_pass1") | $(fmt "$t_cp") | $(fmt "$t_rs1") | $(ratio "$t_pass1" "$t_cp") | $(ratio "$t_pass1" "$t_rs1") |
| 1% changed | $(fmt "$t_pass2") | | $(fmt "$t_rs2") | | $(ratio "$t_pass2" "$t_rs2") |
| nothing changed | $(fmt "$t_pass3") | | $(fmt "$t_rs3") | | $(ratio "$t_pass3" "$t_rs3") |

Peak resident memory of quillarc-pass: first pass $((mem1 / 1024)) MiB, nothing-changed pass $((mem3 / 1024)) MiB${mem_small:+, first pass over $memfiles small files $((mem_small / 1024)) MiB}
REPORT
