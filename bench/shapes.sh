#!/usr/bin/env bash
# Times quillarc-pass against cp -a and rsync -a on two trees that are hard
# on a copier: a deep one (files in 100 chains of folders 20 deep) and a
# flat one (every file in one folder); then a pass with nothing changed
# against the `find` floor (listing and stat-ing every file) on each.
#
#   bench/shapes.sh BUILD_DIR [--deep-files N] [--flat-files N] [--workdir DIR] [--keep]
#
# Defaults: 50,000 files in the deep tree, 200,000 in the flat one, 1 to
# 4 KiB each. Every time runs until the copies are on the disk (a sync
# before, outside the time, and one after, inside it), as in run.sh.
set -euo pipefail

build=${1:?usage: bench/shapes.sh BUILD_DIR [options]}
shift
deep=50000
flat=200000
work=""
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --deep-files) deep=$2; shift 2 ;;
    --flat-files) flat=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

here=$(cd "$(dirname "$0")" && pwd)
pass=$(realpath "$build/bin/quillarc-pass")
[ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-shapes.XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
if [ $keep = 0 ]; then trap 'rm -rf "$work"' EXIT; fi

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

seconds() {
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

rows=""
for shape in deep flat; do
  files=$deep
  [ $shape = flat ] && files=$flat
  src="$work/$shape"
  echo "== $shape tree: $files files"
  python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib 0 --max-kib 4 --shape $shape
  sleep 3
  find "$src" -type f -print0 | xargs -0 cat > /dev/null
  setup_pass "$src" "$work/medium" "$work/program" SHAPE
  t_pass=$(seconds "$pass" --program-folder "$work/program")
  t_cp=$(seconds cp -a "$src" "$work/cp")
  rm -rf "$work/cp"
  t_rs=$(seconds rsync -a "$src/" "$work/rsync/")
  t_none=$(seconds "$pass" --program-folder "$work/program")
  t_find=$(seconds find "$src" -printf '%T@ %C@\n')
  t_rsnone=$(seconds rsync -a "$src/" "$work/rsync/")
  rm -rf "$work/rsync" "$work/medium" "$work/program" "$src"
  rows+="| $shape, first pass | $(fmt "$t_pass") | $(fmt "$t_cp") | $(fmt "$t_rs") | | $(ratio "$t_pass" "$t_cp") | $(ratio "$t_pass" "$t_rs") |"$'\n'
  rows+="| $shape, nothing changed | $(fmt "$t_none") | | $(fmt "$t_rsnone") | $(fmt "$t_find") | | $(ratio "$t_none" "$t_rsnone") (find: $(ratio "$t_none" "$t_find")) |"$'\n'
done

cat <<REPORT

Results (deep: $deep files in 100 chains 20 folders deep; flat: $flat files in one folder; seconds)
| run | quillarc-pass | cp -a | rsync -a | find | pass / cp | pass / rsync |
|---|---|---|---|---|---|---|
$rows
REPORT
