#!/usr/bin/env bash
# Pruning 100,000 old versions of one file to make room for one file, on a
# real ext4 image: the versions lie one pass folder each, as 100,000 passes
# that each replaced the file would leave them.
#
#   bench/prune_versions.sh BUILD_DIR [--versions N]
#
# With QUILLARC_PRUNE_ALL=1 it also times pruning every one of them (room
# for one file as large as all of them together).
#
# Needs root (a loop device); runs in a private mount namespace. The disk is
# mounted again before the timed run, so no folder is in the cache.
set -euo pipefail
build=${1:?usage: bench/prune_versions.sh BUILD_DIR [--versions N]}
shift
versions=100000
while [ $# -gt 0 ]; do
  case "$1" in
    --versions) versions=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "needs root (a loop device)" >&2; exit 2; }
prune=$(realpath "$build/bin/bench_prune_versions")
[ -x "$prune" ] || { echo "no $prune; build the bench_prune_versions target first" >&2; exit 2; }
if [ -z "${QUILLARC_PRUNE_INSIDE:-}" ]; then
  export QUILLARC_PRUNE_INSIDE=1
  exec unshare -m --propagation private "$0" "$build" --versions "$versions"
fi
work=$(mktemp -d /var/tmp/quillarc-prune.XXXXXX)
trap 'umount "$work/disk" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/disk"
# Each version takes its file and four folders: 20 KiB and five inodes.
truncate -s $(( versions * 24 / 1024 + 64 ))M "$work/disk.img"
mkfs.ext4 -q -F -L PRUNE1 -m 0 -N $(( versions * 6 + 1000 )) "$work/disk.img"
mount -o loop "$work/disk.img" "$work/disk"
echo "== $versions versions of home/ann/Docs/report.txt, 4 KiB each"
python3 - "$work/disk" "$versions" <<'PY'
import os, sys, datetime
root, count = sys.argv[1], int(sys.argv[2])
start = datetime.datetime(2020, 1, 1)
data = b"v" * 4096
for i in range(count):
    stamp = (start + datetime.timedelta(minutes=i)).strftime("%Y-%m-%dT%H%M%SZ")
    folder = os.path.join(root, ".quillarc/versions", stamp, "home/ann/Docs")
    os.makedirs(folder)
    with open(os.path.join(folder, "report.txt"), "wb") as out:
        out.write(data)
PY
sync
umount "$work/disk"
mount -o loop "$work/disk.img" "$work/disk"
echo "== Room for one file of 1 MiB: the 256 oldest versions go"
"$prune" "$work/disk" $(( 1 << 20 ))
if [ "${QUILLARC_PRUNE_ALL:-0}" = 1 ]; then
  umount "$work/disk"
  mount -o loop "$work/disk.img" "$work/disk"
  echo "== Room for one file of $(( versions * 4 / 1024 )) MiB: every version must go"
  "$prune" "$work/disk" $(( versions * 4096 ))
fi
umount "$work/disk"
