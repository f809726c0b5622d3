#!/usr/bin/env bash
# Times quillarc-pass against cp -a, rsync -a and the `find` floor on trees
# that are hard on a copier, each ratio measured pair by pair in
# alternating order and repeated (min and median):
#
#   deep      files of 1 to 4 KiB in 100 chains of folders 20 deep
#   flat      such files, all in one folder
#   many N    N files of up to 1 KiB in nested folders (a home folder)
#
# For deep and flat: a first pass against cp -a (and rsync -a once), then a
# pass with nothing changed against `find SRC -newer STAMP` (every entry
# listed and looked at once). For each --many size: the nothing-changed
# pass against the same floor, and the peak memory of the first and the
# nothing-changed pass.
#
#   bench/shapes.sh BUILD_DIR [--deep-files N] [--flat-files N] [--many "N ..."]
#                   [--repeat N] [--fs disk|ext4|tmpfs] [--gib G] [--no-rsync]
#                   [--workdir DIR] [--keep]
#
# Defaults: 50,000 deep, 200,000 flat, --many "100000 1000000", 5 repeats,
# on the disk the work folder is on. --fs ext4 (a loop-mounted image of
# --gib GiB, default 16) and --fs tmpfs need root. Every first-pass time
# runs until the copies are on the disk (a sync before, outside the time,
# and one after, inside it), as in run.sh.
set -euo pipefail

build=${1:?usage: bench/shapes.sh BUILD_DIR [options]}
shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bench_defaults
deep=50000
flat=200000
many="100000 1000000"
repeat=5
rsync_too=1
while [ $# -gt 0 ]; do
  case "$1" in
    --deep-files) deep=$2; shift 2 ;;
    --flat-files) flat=$2; shift 2 ;;
    --many) many=$2; shift 2 ;;
    --no-rsync) rsync_too=0; shift ;;
    *) bench_option "$@"
       [ "$bench_used" -gt 0 ] || { echo "unknown option $1" >&2; exit 2; }
       shift "$bench_used" ;;
  esac
done

bench_pass "$build"
bench_workdir "$work" quillarc-shapes "$gib" "$fs" "$keep"

rows=""
row() { rows+="| $1 | $2 | $3 | $4 | $5 |"$'\n'; }

# Nothing-changed passes against the find floor, pair by pair; then the
# nothing-changed pass's peak memory.
nothing_changed() {  # $1 tree name, $2 source, $3 program folder
  sleep 3 # past the cut-off's margin
  touch "$work/stamp"
  "$pass" --program-folder "$3" > /dev/null 2>&1 # warm caches
  local t_none=() t_find=() r=() a b i
  for i in $(seq "$repeat"); do
    if [ $((i % 2)) = 1 ]; then
      a=$(plain_seconds "$pass" --program-folder "$3"); b=$(plain_seconds find "$2" -newer "$work/stamp")
    else
      b=$(plain_seconds find "$2" -newer "$work/stamp"); a=$(plain_seconds "$pass" --program-folder "$3")
    fi
    t_none+=("$a"); t_find+=("$b"); r+=("$(ratio "$a" "$b")")
  done
  row "$1" "nothing changed / find -newer" "$(min_median "${t_none[@]}")" "$(min_median "${t_find[@]}")" \
      "$(min_median "${r[@]}")"
  mem_none=$(peak_kib "$pass" --program-folder "$3")
}

for shape in deep flat; do
  files=$deep
  [ $shape = flat ] && files=$flat
  [ "$files" -gt 0 ] || continue
  src="$work/$shape"
  echo "== $shape tree: $files files" >&2
  python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib 0 --max-kib 4 --shape $shape >&2
  sleep 3
  find "$src" -type f -print0 | xargs -0 cat > /dev/null
  t_pass=() t_cp=() r=()
  for i in $(seq "$repeat"); do
    rm -rf "$work/cp"
    if [ $((i % 2)) = 1 ]; then
      setup_pass "$src" "$work/medium" "$work/program" SHAPE
      a=$(seconds "$pass" --program-folder "$work/program"); b=$(seconds cp -a "$src" "$work/cp")
    else
      b=$(seconds cp -a "$src" "$work/cp")
      setup_pass "$src" "$work/medium" "$work/program" SHAPE
      a=$(seconds "$pass" --program-folder "$work/program")
    fi
    t_pass+=("$a"); t_cp+=("$b"); r+=("$(ratio "$a" "$b")")
  done
  rm -rf "$work/cp"
  row "$shape ($files)" "first pass / cp -a" "$(min_median "${t_pass[@]}")" "$(min_median "${t_cp[@]}")" \
      "$(min_median "${r[@]}")"
  if [ $rsync_too = 1 ]; then
    t_rs=$(seconds rsync -a "$src/" "$work/rsync/")
    rm -rf "$work/rsync"
    row "$shape ($files)" "first pass / rsync -a (once)" "" "$t_rs" "$(ratio "$(min_median "${t_pass[@]}" | cut -d' ' -f3)" "$t_rs") (median)"
  fi
  nothing_changed "$shape ($files)" "$src" "$work/program"
  rm -rf "$work/medium" "$work/program" "$src"
done

memrows=""
for files in $many; do
  src="$work/many"
  echo "== $files small files" >&2
  python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib 0 --max-kib 1 --seed 7 >&2
  sleep 3
  setup_pass "$src" "$work/medium" "$work/program" MANY
  mem_first=$(peak_kib "$pass" --program-folder "$work/program")
  nothing_changed "many ($files)" "$src" "$work/program"
  memrows+="| $files small files | $((mem_first / 1024)) MiB | $((mem_none / 1024)) MiB |"$'\n'
  rm -rf "$work/medium" "$work/program" "$src"
done

cat <<REPORT

Results on $fs ($repeat rounds, order alternating; seconds and ratios as min / median)
| tree | run | quillarc-pass | other | ratio |
|---|---|---|---|---|
$rows
Peak resident memory of quillarc-pass
| tree | first pass | nothing changed |
|---|---|---|
$memrows
REPORT
