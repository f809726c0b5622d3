#!/usr/bin/env bash
# Times quillarc-pass against cp -a and rsync -a on one generated tree.
#
#   bench/run.sh BUILD_DIR [--files N] [--big-mib M] [--memory-files N] [--repeat N]
#                [--fs disk|ext4|tmpfs] [--gib G] [--workdir DIR] [--keep]
#
# Runs, in this order and on the same tree:
#   1. first full pass        quillarc-pass  vs  cp -a  and  rsync -a
#                             (--repeat rounds, default 3, order alternating;
#                             times and the ratio of each round as min / median)
#   2. 1% of files changed    quillarc-pass  vs  rsync -a (into its earlier copy)
#   3. nothing changed        quillarc-pass  vs  rsync -a
#   4. restore of the tree    quillarc-pass --restore  vs  cp -a from the disk
#   5. verify of the disk     quillarc-pass --verify   vs  cat of every copy and
#                             of its source (verify reads both)
#                             (4 and 5: --repeat rounds, order alternating,
#                             each from a cold page cache when run as root)
#   6. peak memory of a pass over a tree of --memory-files small files
# Page caches cannot be dropped without root on every machine, so the
# source is read once before the runs (warm cache for every tool alike).
# `sync` runs before each timed command, outside its time, and after it,
# inside: a pass flushes its copies to the disk before it saves its list.
set -euo pipefail

build=${1:?usage: bench/run.sh BUILD_DIR [options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bench_defaults
files=20000
big=1024
memfiles=100000
repeat=3
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --big-mib) big=$2; shift 2 ;;
    --memory-files) memfiles=$2; shift 2 ;;
    *) bench_option "$@"
       [ "$bench_used" -gt 0 ] || { echo "unknown option $1" >&2; exit 2; }
       shift "$bench_used" ;;
  esac
done

bench_pass "$build"
bench_workdir "$work" quillarc-bench "$gib" "$fs" "$keep"

src="$work/src"
medium="$work/medium"
program="$work/program"
cpdst="$work/cp"
rsdst="$work/rsync"

fmt() { awk -v a="$1" 'BEGIN { printf "%.2f", a }'; }

pass_peak_kib() { # peak resident memory of one pass, KiB
  sync
  peak_kib "$pass" --program-folder "$1"
}

echo "== Generating the tree ($files files, large file $big MiB) in $src"
python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib "$big"
sleep 3   # files younger than the pass's two-second margin would count as changed
echo "== Warming the page cache with the source"
find "$src" -type f -print0 | xargs -0 cat > /dev/null

echo "== 1. first full pass ($repeat rounds, the order of the tools alternating)"
p1=(); cps=(); rss=(); rcp=(); rrs=()
run_pass1() { setup_pass "$src" "$medium" "$program" BENCH1; a=$(seconds "$pass" --program-folder "$program"); }
run_cp()    { rm -rf "$cpdst"; b=$(seconds cp -a "$src" "$cpdst"); }
run_rs1()   { rm -rf "$rsdst"; c=$(seconds rsync -a "$src/" "$rsdst/"); }
for round in $(seq 1 "$repeat"); do
  if [ $((round % 2)) = 1 ]; then run_pass1; run_cp; run_rs1; else run_rs1; run_cp; run_pass1; fi
  p1+=("$a"); cps+=("$b"); rss+=("$c"); rcp+=("$(ratio "$a" "$b")"); rrs+=("$(ratio "$a" "$c")")
done
# Peak memory of a first pass, on a fresh medium.
setup_pass "$src" "$work/medium-mem" "$work/program-mem" BENCHMEM
mem1=$(pass_peak_kib "$work/program-mem")
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
mem3=$(pass_peak_kib "$program")
rm -rf "$rsdst"

# Reading the disk back: each run from a cold cache (cold, in lib.sh).
mirror="$medium$src"
echo "== 4. restore ($repeat rounds)"
t_rest=(); t_cpb=(); r_rest=()
run_restore() { rm -rf "$work/restored"; cold; a=$(seconds "$pass" --program-folder "$program" --drive "$medium/" --restore "$src" --to "$work/restored"); }
run_cpback()  { rm -rf "$work/cpback"; mkdir -p "$work/cpback"; cold; b=$(seconds cp -a "$mirror" "$work/cpback/"); }
for round in $(seq 1 "$repeat"); do
  if [ $((round % 2)) = 1 ]; then run_restore; run_cpback; else run_cpback; run_restore; fi
  t_rest+=("$a"); t_cpb+=("$b"); r_rest+=("$(ratio "$a" "$b")")
done
restored_same=NO
diff -r "$work/cpback/$(basename "$src")" "$work/restored/$(basename "$src")" > /dev/null && restored_same=yes
rm -rf "$work/restored" "$work/cpback"

echo "== 5. verify ($repeat rounds)"
t_ver=(); t_cat=(); r_ver=()
run_verify() { cold; a=$(plain_seconds "$pass" --program-folder "$program" --drive "$medium/" --verify --no-notify); }
run_cat()    { cold; b=$(plain_seconds sh -c "find '$mirror' '$src' -type f -print0 | xargs -0 cat > /dev/null"); }
for round in $(seq 1 "$repeat"); do
  if [ $((round % 2)) = 1 ]; then run_verify; run_cat; else run_cat; run_verify; fi
  t_ver+=("$a"); t_cat+=("$b"); r_ver+=("$(ratio "$a" "$b")")
done
rm -rf "$medium"

mem_small=""
if [ "$memfiles" -gt 0 ]; then
  echo "== 6. peak memory over $memfiles small files"
  python3 "$here/gen_tree.py" "$work/many" --files "$memfiles" --big-mib 0 --max-kib 1 --seed 7
  setup_pass "$work/many" "$work/medium-many" "$work/program-many" BENCHMANY
  mem_small=$(pass_peak_kib "$work/program-many")
  rm -rf "$work/many" "$work/medium-many" "$work/program-many"
fi

cat <<REPORT

Results on $fs ($files files + ${big} MiB file; warm source cache; seconds)
| run | quillarc-pass | cp -a | rsync -a | pass / cp | pass / rsync |
|---|---|---|---|---|---|
| first full pass (min / median) | $(min_median "${p1[@]}") | $(min_median "${cps[@]}") | $(min_median "${rss[@]}") | $(min_median "${rcp[@]}") | $(min_median "${rrs[@]}") |
| 1% changed | $(fmt "$t_pass2") | | $(fmt "$t_rs2") | | $(ratio "$t_pass2" "$t_rs2") |
| nothing changed | $(fmt "$t_pass3") | | $(fmt "$t_rs3") | | $(ratio "$t_pass3" "$t_rs3") |

Reading the disk back ($repeat rounds, order alternating; $( [ "$(id -u)" = 0 ] && echo "page cache dropped before each run" || echo "warm cache: not root" ); seconds, min / median)
| run | quillarc-pass | other | ratio |
|---|---|---|---|
| restore (hash checked; trees equal: $restored_same) / cp -a from the disk | $(min_median "${t_rest[@]}") | $(min_median "${t_cpb[@]}") | $(min_median "${r_rest[@]}") |
| verify / cat of every copy and its source | $(min_median "${t_ver[@]}") | $(min_median "${t_cat[@]}") | $(min_median "${r_ver[@]}") |

Peak resident memory of quillarc-pass: first pass $((mem1 / 1024)) MiB, nothing-changed pass $((mem3 / 1024)) MiB${mem_small:+, first pass over $memfiles small files $((mem_small / 1024)) MiB}
REPORT
