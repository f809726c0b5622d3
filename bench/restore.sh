#!/usr/bin/env bash
# Restoring a tree (20,000 files and 1 GiB by default) from one disk to an
# empty folder, against `cp -a` of the same tree from the disk; both flushed
# (sync) and timed from a cold page cache when run as root.
# Usage: bench/restore.sh [BUILD] [WORK] [gen_tree.py options...]
set -euo pipefail
build=${1:-build}
work=${2:-$(mktemp -d /var/tmp/quillarc-bench-restore-XXXXXX)}
shift $(( $# > 2 ? 2 : $# )) || true
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
bin=$(cd "$build" && pwd)/bin

disk=$work/disk
program=$work/program
mkdir -p "$disk" "$program"
echo BENCH-DISK > "$disk/.quillarc-label"
tree=$disk/home/ann/tree
if [ ! -d "$tree" ]; then
  python3 "$here/gen_tree.py" "$tree" "$@" >/dev/null
  "$bin/bench_restore_fixture" "$program/catalogue.sqlite" "$disk" BENCH-DISK
fi

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null; sync; end=$(date +%s.%N); echo "$end - $start" | bc; }

rm -rf "$work/cp" "$work/restored"; mkdir -p "$work/cp"
cold; cp_time=$(seconds cp -a "$tree" "$work/cp/")
cold; restore_time=$(seconds "$bin/quillarc-pass" --program-folder "$program" --drive "$disk/" --restore /home/ann/tree --to "$work/restored")
diff -r "$work/cp/tree" "$work/restored/tree" >/dev/null && same=yes || same=NO
echo "cp -a + sync:               ${cp_time} s"
echo "quillarc-pass --restore:    ${restore_time} s (hash checked; trees equal: $same)"
echo "ratio: $(echo "scale=2; $restore_time / $cp_time" | bc)"
