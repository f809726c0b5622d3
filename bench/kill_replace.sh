#!/usr/bin/env bash
# kill -9 at random moments while a pass replaces copies on a nearly full
# disk, then a pass to completion; checks after every kill that a whole copy
# of every file stands (the newest, or a version), and after every completed
# pass that the mirror equals the source and no temporary copy is left.
#
#   bench/kill_replace.sh BUILD_DIR [--rounds N] [--fs ext4|vfat] [--files N]
#
# Needs root (loop devices, mounts); runs in a private mount namespace, so
# nothing stays mounted when it ends. Exit 0 when every check held.
set -euo pipefail

build=${1:?usage: bench/kill_replace.sh BUILD_DIR [--rounds N] [--fs ext4|vfat] [--files N]}
shift
rounds=20
fstype=ext4
files=24
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --fs) fstype=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "needs root (loop devices and mounts)" >&2; exit 2; }
pass=$(realpath "$build/bin/quillarc-pass")
[ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
if [ -z "${QUILLARC_KILL_INSIDE:-}" ]; then
  export QUILLARC_KILL_INSIDE=1
  exec unshare -m --propagation private "$0" "$build" --rounds "$rounds" --fs "$fstype" --files "$files"
fi

work=$(mktemp -d /var/tmp/quillarc-kill.XXXXXX)
cleanup() { umount "$work/disk" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
src="$work/src"; disk="$work/disk"; program="$work/program"
mkdir -p "$src/docs" "$disk" "$program"

# A disk that holds one generation of the files and a little more: every
# round replaces every file, so room comes from the versions of earlier
# rounds, and at times there is none.
size_mib=$(( files * 3 / 2 + 8 ))
truncate -s "${size_mib}M" "$work/disk.img"
case "$fstype" in
  ext4) mkfs.ext4 -q -F -L KILL1 -m 0 "$work/disk.img" ;;
  vfat) mkfs.vfat -n KILL1 "$work/disk.img" > /dev/null ;;
  *) echo "--fs takes ext4 or vfat" >&2; exit 2 ;;
esac
if [ "$fstype" = vfat ] && ! grep -qw vfat /proc/filesystems; then
  # No FAT in this kernel: through FUSE.
  command -v fusefat > /dev/null || { echo "neither the kernel's vfat nor fusefat" >&2; exit 2; }
  fusefat -o rw+ "$work/disk.img" "$disk"
else
  mount -o loop "$work/disk.img" "$disk"
fi
echo KILL1 > "$disk/.quillarc-label"
{ printf '%s/\r\n' "$disk"
  printf '1\r\n0\r\n-13\r\nMS Sans Serif\r\n10\r\nF\r\nF\r\nF\r\nF\r\n'
  printf '510\r\n150\r\n110\r\n50\r\n800\r\n600\r\n0\r\n0\r\nF\r\n'
} > "$program/config"
printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$src" > "$program/KILL1.ini"

declare -A known   # "file md5" -> 1 for every generation ever written
write_generation() { # $1 generation
  local i
  for i in $(seq 1 "$files"); do
    head -c $(( 1024 * 1024 - i * 1000 )) /dev/urandom > "$src/docs/f$i"
    known["f$i $(md5sum < "$src/docs/f$i" | cut -d' ' -f1)"]=1
  done
}

fail() { echo "FAILED: $*" >&2; exit 1; }

# Every file has a whole copy of one of its generations: at its mirror path
# or among the versions.
check_copies_stand() {
  local i copy sum found
  for i in $(seq 1 "$files"); do
    found=0
    for copy in "$disk$src/docs/f$i" "$disk"/.quillarc/versions/*"$src/docs/f$i"; do
      [ -f "$copy" ] || continue
      sum=$(md5sum < "$copy" | cut -d' ' -f1)
      [ -n "${known["f$i $sum"]:-}" ] || fail "$copy is not a whole copy of any generation"
      found=1
    done
    [ $found = 1 ] || fail "no copy of f$i stands after the kill"
  done
}

check_complete() {
  local i
  for i in $(seq 1 "$files"); do
    cmp -s "$src/docs/f$i" "$disk$src/docs/f$i" || fail "the copy of f$i differs after a completed pass"
  done
  if [ -d "$disk/.quillarc/part" ] && [ -n "$(ls -A "$disk/.quillarc/part")" ]; then
    fail "temporary copies left: $(ls -A "$disk/.quillarc/part" | head -3)"
  fi
  local stray
  stray=$(find "$disk" -path "$disk/.quillarc" -prune -o -type f -print | grep -v -e "^$disk$src/docs/f[0-9]*$" \
    -e "^$disk/.quillarc-label$" -e "^$disk/KILL1$" || true) # fusefat shows the volume label as a file
  [ -z "$stray" ] || fail "files in the mirror that are no copies: $stray"
}

run_to_end() {
  local status=0
  "$pass" --program-folder "$program" --yes --no-notify < /dev/null > "$work/out" 2>&1 || status=$?
  [ $status = 0 ] || { cat "$work/out" >&2; fail "a pass to completion ended with $status"; }
}

write_generation 0
run_to_end
check_complete
# Kill moments spread over the time a replacing pass takes.
sleep 1.1
write_generation 0
start=$(date +%s%N)
run_to_end
span_ms=$(( ($(date +%s%N) - start) / 1000000 ))
check_complete
kills=0
for round in $(seq 1 "$rounds"); do
  sleep 1.1 # the files of this round are newer than the last cut-off
  write_generation "$round"
  "$pass" --program-folder "$program" --yes --no-notify < /dev/null > /dev/null 2>&1 &
  victim=$!
  sleep "$(awk -v r="$RANDOM" -v s="$span_ms" 'BEGIN { printf "%.3f", (r % (s + 1)) / 1000 }')"
  kill -9 "$victim" 2>/dev/null || true
  status=0
  wait "$victim" 2>/dev/null || status=$?
  [ $status = 137 ] && kills=$((kills + 1))
  check_copies_stand
  run_to_end
  check_complete
  free=$(df -k --output=avail "$disk" | tail -1)
  echo "round $round: copies stood; complete pass identical, no leftovers; ${free} KiB free"
done
echo "$fstype: $rounds rounds, $kills passes killed mid-way (a pass took ${span_ms} ms): every check held"
