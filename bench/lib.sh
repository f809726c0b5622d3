# Shared by the benchmark scripts: a pass's folders, timing, statistics and
# the file system the runs take place on. Sourced, not run.

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

# Elapsed seconds of "$@", after a sync outside the time and with a sync
# of its own inside it: a pass flushes the backup disk before it saves its
# list, so every tool's time runs until its copies are on the disk.
seconds() {
  sync
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1 || true
  sync
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}

# Drops the page cache when it can (as root), so that what a run reads
# next comes from the disk.
cold() { sync; if [ "$(id -u)" = 0 ]; then echo 3 > /proc/sys/vm/drop_caches; fi; }

# Elapsed seconds without the syncs, for runs that write nothing.
plain_seconds() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1 || true
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# "min / median" of the numbers given as arguments.
min_median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else printf "%.2f / %.2f", v[1], (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# Peak resident memory of one run of "$@", KiB.
peak_kib() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident/ { gsub(/ /, "", $2); print $2 }'
}

# Puts the work folder $1 on the file system asked for: "disk" leaves it
# where it is; "ext4" (a loop-mounted image of $2 GiB) and "tmpfs" need
# root. The mount is undone by bench_unmount.
bench_mount() {  # $1 folder, $2 GiB, $3 kind
  case "$3" in
    disk) return 0 ;;
    ext4)
      truncate -s "${2}G" "$1.img"
      mkfs.ext4 -q -F "$1.img"
      mount -o loop "$1.img" "$1" ;;
    tmpfs) mount -t tmpfs -o "size=${2}g" quillarc-bench "$1" ;;
    *) echo "unknown file system $3 (disk, ext4, tmpfs)" >&2; return 2 ;;
  esac
}

bench_unmount() {  # $1 folder, $2 kind
  case "$2" in
    ext4) umount "$1" 2>/dev/null; rm -f "$1.img" ;;
    tmpfs) umount "$1" 2>/dev/null ;;
  esac
  return 0
}

# The program to time, from the build folder $1 (sets `pass`), and the
# tools the runs need.
bench_pass() {  # $1 build folder
  pass=$(realpath "$1/bin/quillarc-pass")
  [ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
  [ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package 'time')" >&2; exit 2; }
}

# The work folder (sets `work`): $1, or a new one under /var/tmp named
# after $2, on the file system $4 (an image or tmpfs of $3 GiB). Emptied,
# unmounted and removed on exit unless $5 is 1 (--keep).
bench_workdir() {  # $1 folder or "", $2 name, $3 GiB, $4 kind, $5 keep
  if [ -n "$1" ]; then work=$1; else work=$(mktemp -d "/var/tmp/$2.XXXXXX"); fi
  mkdir -p "$work"
  work=$(realpath "$work")
  bench_mount "$work" "$3" "$4"
  bench_kind=$4
  bench_keep=$5
  trap bench_cleanup EXIT
}

bench_cleanup() {
  if [ "$bench_keep" = 0 ]; then rm -rf "${work:?}"/* 2>/dev/null || true; fi
  bench_unmount "$work" "$bench_kind"
  if [ "$bench_keep" = 0 ]; then rmdir "$work" 2>/dev/null || true; fi
}

# The options run.sh and shapes.sh share: sets `bench_used` to the
# arguments taken (0: not one of them). Defaults: fs=disk, gib=16, work="",
# keep=0 (bench_defaults).
bench_defaults() { fs=disk; gib=16; work=""; keep=0; }
bench_option() {
  bench_used=2
  case "$1" in
    --repeat) repeat=$2 ;;
    --fs) fs=$2 ;;
    --gib) gib=$2 ;;
    --workdir) work=$2 ;;
    --keep) keep=1; bench_used=1 ;;
    *) bench_used=0 ;;
  esac
}
