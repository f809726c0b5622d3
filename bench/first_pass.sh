#!/usr/bin/env bash
# One first pass of quillarc-pass onto a new, empty disk folder, flushed to
# the disk before it counts as done: the unit that bench/catalogue_cost.sh
# times. The disk folder is left for the caller to remove.
#
#   bench/first_pass.sh QUILLARC_PASS SOURCE_TREE WORK_FOLDER
set -euo pipefail
pass=${1:?usage: bench/first_pass.sh QUILLARC_PASS SOURCE_TREE WORK_FOLDER}
src=${2:?}
work=$(mktemp -d "${3:?}/run.XXXXXX")
medium="$work/medium"; program="$work/program"
mkdir -p "$medium" "$program"
echo BENCHFP > "$medium/.quillarc-label"
{ printf '%s/\r\n' "$medium"
  printf '1\r\n0\r\n-13\r\nMS Sans Serif\r\n10\r\nF\r\nF\r\nF\r\nF\r\n'
  printf '510\r\n150\r\n110\r\n50\r\n800\r\n600\r\n0\r\n0\r\nF\r\n'
} > "$program/config"
printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$src" > "$program/BENCHFP.ini"
"$pass" --program-folder "$program" > /dev/null 2>&1
sync
