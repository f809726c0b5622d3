#!/usr/bin/env bash
# How fast quillarc-pass --verify reads a disk back, against cat of the same
# files to /dev/null, both from a cold cache, on an ext4 image (as root: it
# mounts the image in a private mount namespace and drops the page cache).
# Usage: bench/verify.sh BUILD_DIR [MIB]   (MIB of copies, default 1024)
set -euo pipefail
build=$(cd "${1:?usage: bench/verify.sh BUILD_DIR [MIB]}" && pwd)
mib=${2:-1024}
[ "$(id -u)" = 0 ] || { echo "bench/verify.sh: needs root (loop mount, drop_caches)" >&2; exit 2; }
cmake --build "$build" --target quillarc-pass >/dev/null
work=$(mktemp -d /var/tmp/quillarc-verify-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
truncate -s $((mib * 13 / 10 + 64))M "$work/disk.img"
mkfs.ext4 -q -L VERIFYBENCH "$work/disk.img"
mkdir -p "$work/mnt" "$work/program"
export build work mib
unshare -m bash -c '
set -euo pipefail
mount -o loop "$work/disk.img" "$work/mnt"
# Three quarters of the bytes in 8 MiB files, the rest in 128 KiB ones.
big=$((mib * 3 / 4 / 8)); small=$((mib / 4 * 8))
for i in $(seq 1 "$big"); do mkdir -p "$work/mnt/home/big/$((i % 10))"; head -c 8M /dev/urandom > "$work/mnt/home/big/$((i % 10))/f$i"; done
for i in $(seq 1 "$small"); do mkdir -p "$work/mnt/home/small/$((i % 50))"; head -c 128K /dev/urandom > "$work/mnt/home/small/$((i % 50))/f$i"; done
sync
pass=("$build/bin/quillarc-pass" --program-folder "$work/program" --drive "$work/mnt/")
"${pass[@]}" --catalogue | tail -1
cold() { sync; echo 3 > /proc/sys/vm/drop_caches; }
cold
start=$(date +%s%N)
find "$work/mnt/home" -type f -print0 | xargs -0 cat > /dev/null
cat_ms=$((($(date +%s%N) - start) / 1000000))
cold
start=$(date +%s%N)
"${pass[@]}" --verify --no-notify | tail -1
verify_ms=$((($(date +%s%N) - start) / 1000000))
echo "cat of every copy to /dev/null: ${cat_ms} ms ($((mib * 1000 / cat_ms)) MiB/s)"
echo "quillarc-pass --verify:         ${verify_ms} ms ($((mib * 1000 / verify_ms)) MiB/s), $(awk "BEGIN { printf \"%.2f\", $cat_ms / $verify_ms }")x the speed of cat"
umount "$work/mnt"
'
