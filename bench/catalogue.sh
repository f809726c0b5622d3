#!/usr/bin/env bash
# The catalogue's figures: a generated catalogue of COPIES copies (default
# 1,000,000) on six disks; how long recording took per copy, the file's
# size, and how long --find takes, inside one process and as a whole run of
# quillarc-pass (median of five).
# Usage: bench/catalogue.sh BUILD_DIR [COPIES]
set -euo pipefail
build=${1:?usage: bench/catalogue.sh BUILD_DIR [COPIES]}
copies=${2:-1000000}
cmake --build "$build" --target bench_catalogue_gen bench_catalogue_find quillarc-pass >/dev/null
work=$(mktemp -d /var/tmp/quillarc-catalogue-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/disk"
"$build/bin/bench_catalogue_gen" "$work/catalogue.sqlite" "$copies" "$work/disk"
echo "catalogue file: $(du -b "$work/catalogue.sqlite" | cut -f1) bytes ($(du -m "$work/catalogue.sqlite" | cut -f1) MiB)"
echo "--- find inside one process (open + query), median of 5"
"$build/bin/bench_catalogue_find" "$work/catalogue.sqlite" holiday_4444 'summary_99*' report_1234 tax '*.flac' '*.c'
"$build/bin/bench_catalogue_find" "$work/catalogue.sqlite" --path 'ann/Music/*_1234*' 'cleo/Projects/budget-5'
echo "--- quillarc-pass --find, whole run with its output to /dev/null, median of 5"
for pattern in holiday_4444 'summary_99*' report_1234; do
  times=()
  for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$build/bin/quillarc-pass" --program-folder "$work" --find "$pattern" >/dev/null || true
    times+=($((($(date +%s%N) - start) / 1000000)))
  done
  printf '%-28s %s ms\n' "$pattern" "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)"
done
start=$(date +%s%N)
"$build/bin/quillarc-pass" --help >/dev/null
echo "(quillarc-pass --help alone: $((($(date +%s%N) - start) / 1000000)) ms)"
