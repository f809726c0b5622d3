#!/usr/bin/env bash
# First pass with one file at a time against several files in flight, and
# both against cp -a, on one tree, in turn (one, several, cp -a; the order
# rotating each round), repeated: each time and ratio as min and median.
#
#   bench/flight.sh BUILD_DIR [--shape deep|flat|mixed] [--files N] [--big-mib M]
#                   [--flight N] [--repeat N] [--fs disk|ext4|tmpfs] [--gib G]
#                   [--cold] [--workdir DIR]
#
# Defaults: deep, 20,000 files of up to 4 KiB, --flight 2, 5 rounds, on the
# disk the work folder is on. --cold drops the source's pages from the
# cache before every run (outside the time), as for files not read lately;
# otherwise the tree is read once before the rounds and stays cached. Every
# time runs until the copies are on the disk (a sync before, outside the
# time, and one inside it), as in run.sh.
set -euo pipefail

build=${1:?usage: bench/flight.sh BUILD_DIR [options]}
shift
shape=deep
files=20000
big=0
flight=2
repeat=5
fs=disk
gib=8
cold=0
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --shape) shape=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --big-mib) big=$2; shift 2 ;;
    --flight) flight=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --fs) fs=$2; shift 2 ;;
    --gib) gib=$2; shift 2 ;;
    --cold) cold=1; shift ;;
    --workdir) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bench_pass "$build"
bench_workdir "$work" quillarc-flight "$gib" "$fs" 0

src="$work/src"
max_kib=4
[ "$shape" = mixed ] && max_kib=4096
python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib "$big" --max-kib "$max_kib" --shape "$shape" >&2
sync
find "$src" -type f -print0 | xargs -0 cat > /dev/null

# Drops the source's pages from the cache (its folders stay cached).
evict() {
  [ $cold = 1 ] || return 0
  python3 - "$src" <<'PY'
import os, sys
for root, _, names in os.walk(sys.argv[1]):
    for name in names:
        try:
            fd = os.open(os.path.join(root, name), os.O_RDONLY | os.O_NOFOLLOW)
        except OSError:
            continue
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)
PY
}

one() {  # $1 in flight
  setup_pass "$src" "$work/medium" "$work/program" FLIGHT
  evict
  QUILLARC_COPIES_IN_FLIGHT=$1 seconds "$pass" --program-folder "$work/program"
}
copy() {
  rm -rf "$work/cp"
  evict
  seconds cp -a "$src" "$work/cp"
}

t1=() tn=() tc=() r1=() rn=() rnn=()
for i in $(seq "$repeat"); do
  case $((i % 3)) in
    1) a=$(one 1); b=$(one "$flight"); c=$(copy) ;;
    2) b=$(one "$flight"); c=$(copy); a=$(one 1) ;;
    0) c=$(copy); a=$(one 1); b=$(one "$flight") ;;
  esac
  echo "round $i: one at a time $a s, $flight in flight $b s, cp -a $c s" >&2
  t1+=("$a"); tn+=("$b"); tc+=("$c")
  r1+=("$(ratio "$a" "$c")"); rn+=("$(ratio "$b" "$c")"); rnn+=("$(ratio "$b" "$a")")
done

temperature=cached
[ $cold = 1 ] && temperature="not cached"
cat <<REPORT

$shape tree, $files files (+ $big MiB), on $fs, source $temperature; $repeat rounds; min / median; load $(cut -d' ' -f1-3 /proc/loadavg)
| run | seconds | ÷ cp -a |
|---|---|---|
| one file at a time | $(min_median "${t1[@]}") | $(min_median "${r1[@]}") |
| $flight in flight | $(min_median "${tn[@]}") | $(min_median "${rn[@]}") |
| cp -a | $(min_median "${tc[@]}") | |
| $flight in flight ÷ one at a time | | $(min_median "${rnn[@]}") |
REPORT
