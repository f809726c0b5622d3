#!/usr/bin/env bash
# How long quillarc-pass takes when nothing has changed, against the floor
# of looking at every file once (`find -newer`), on one generated tree.
#
#   bench/nothing_changed.sh BUILD_DIR [--files N] [--runs N] [--workdir DIR]
#
# Prints the median of --runs (default 11) of each, warm caches, and their
# ratio. A pass with nothing to copy should end as soon as its walk ends.
set -euo pipefail

build=${1:?usage: bench/nothing_changed.sh BUILD_DIR [options]}
shift
files=6000
runs=11
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
pass=$(realpath "$build/bin/quillarc-pass")
[ -x "$pass" ] || { echo "no $pass; build the quillarc-pass target first" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-bench.XXXXXX)
mkdir -p "$work"
work=$(realpath "$work")
trap 'rm -rf "$work"' EXIT

src="$work/src"; medium="$work/medium"; program="$work/program"
python3 "$here/gen_tree.py" "$src" --files "$files" --big-mib 0 > /dev/null
setup_pass "$src" "$medium" "$program" BENCHNC
"$pass" --program-folder "$program" > /dev/null 2>&1
sleep 3   # past the cut-off's margin, so that the next passes find nothing
touch "$work/stamp"
"$pass" --program-folder "$program" > /dev/null 2>&1   # warm caches

# "median least": the median, then the fastest run (the least disturbed by
# other work on the machine).
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)], v[1] }'; }

sync
read -r m_pass f_pass < <(for _ in $(seq "$runs"); do plain_seconds "$pass" --program-folder "$program"; echo; done | median)
read -r m_find f_find < <(for _ in $(seq "$runs"); do plain_seconds find "$src" -newer "$work/stamp"; echo; done | median)
copied=$("$pass" --program-folder "$program" 2>/dev/null | head -1)
echo "nothing changed, $files files, $runs runs (last pass: $copied)"
echo "  median:  quillarc-pass ${m_pass} s, find ${m_find} s, ratio $(ratio "$m_pass" "$m_find")"
echo "  fastest: quillarc-pass ${f_pass} s, find ${f_find} s, ratio $(ratio "$f_pass" "$f_find")"
