#!/usr/bin/env bash
# What keeping versions costs: a pass over a tree of 20,000 files with 1 %
# changed, where each changed file's older copy moves into the versions,
# against the same pass where those older copies are not there to keep
# (removed from the disk beforehand, outside the time), so that both write
# the same bytes and differ only by the versions.
#
#   bench/versions.sh BUILD_DIR [--files N] [--repeat N] [--workdir DIR]
set -euo pipefail
build=${1:?usage: bench/versions.sh BUILD_DIR [--files N] [--repeat N] [--workdir DIR]}
shift
files=20000
repeat=3
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
pass=$(realpath "$build/bin/quillarc-pass")
[ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-versions.XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
trap 'rm -rf "$work"' EXIT
src="$work/src"; medium="$work/medium"; program="$work/program"
setup_pass "$src" "$medium" "$program" VERS1

echo "== Generating $files files"
python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib 0 > /dev/null
sleep 3
"$pass" --program-folder "$program" > /dev/null
timed() { # seconds of one pass, its copies flushed
  sync
  local start end
  start=$(date +%s%N)
  "$pass" --program-folder "$program" > /dev/null 2>&1 || true
  sync
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}
change() { # $1 seed: rewrites 1 % of the files; prints their paths
  sleep 3
  touch "$work/mark"
  python3 "$here/gen_tree.py" "$src" --touch 1 --seed "$1" > /dev/null
  sleep 3
  find "$src" -type f -newer "$work/mark"
}
best() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b < a) print b; else print a }'; }
t_on=""; t_off=""
for round in $(seq 1 "$repeat"); do
  change $((round * 2)) > /dev/null
  t_on=$(best "$t_on" "$(timed)")
  # The same change, but no older copies to keep.
  change $((round * 2 + 1)) | while read -r path; do rm -f "$medium$path"; done
  t_off=$(best "$t_off" "$(timed)")
done
kept=$(find "$medium/.quillarc/versions" -type f | wc -l)
echo
echo "1 % of $files files changed, best of $repeat (seconds):"
echo "| older copies kept as versions | no older copies to keep | ratio |"
echo "|---|---|---|"
echo "| $t_on | $t_off | $(awk -v a="$t_on" -v b="$t_off" 'BEGIN { printf "%.2f", a / b }') |"
echo "($kept versions on the disk at the end)"
