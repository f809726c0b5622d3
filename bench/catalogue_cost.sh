#!/usr/bin/env bash
# What hashing every copy and recording it in the catalogue cost a first
# pass: the same first pass by quillarc-pass as built and by one built
# without the catalogue, in turns (A B A B ...), each onto a new disk
# folder; the minimum and median of each and of the ratio.
#
#   bench/catalogue_cost.sh BUILD_DIR [--files N] [--big-mib M] [--shape mixed|deep|flat]
#                           [--runs N] [--workdir DIR]
#
# The pass without the catalogue comes from a second build folder,
# BUILD_DIR-nocat, configured here with QUILLARC_BENCH_WITHOUT_CATALOGUE=ON
# (a build flag rather than a run-time switch, so that no program that ships
# can be told to skip its catalogue). The source is read once first (warm
# cache for both alike); `sync` ends each timed run, as the pass flushes its
# copies before it saves its list.
set -euo pipefail
build=${1:?usage: bench/catalogue_cost.sh BUILD_DIR [options]}
shift
files=20000; big=1024; shape=mixed; runs=5; work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --files) files=$2; shift 2 ;;
    --big-mib) big=$2; shift 2 ;;
    --shape) shape=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --workdir) work=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$build")
nocat="$build-nocat"
# The flags of `make build`, so that ccache serves every file but one.
launcher=$(command -v ccache > /dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache || true)
export CCACHE_BASEDIR=$(realpath "$here/..") CCACHE_NOHASHDIR=true
cmake -S "$here/.." -B "$nocat" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLARC_WERROR=ON $launcher \
  -DQUILLARC_BUILD_GUI=OFF -DQUILLARC_BUILD_TESTS=OFF -DQUILLARC_BENCH_WITHOUT_CATALOGUE=ON > /dev/null
cmake --build "$build" -j2 --target quillarc-pass > /dev/null
cmake --build "$nocat" -j2 --target quillarc-pass > /dev/null
with="$build/bin/quillarc-pass"; without="$nocat/bin/quillarc-pass"
[ -n "$work" ] || work=$(mktemp -d /var/tmp/quillarc-catcost.XXXXXX)
mkdir -p "$work"; work=$(realpath "$work")
trap 'rm -rf "$work"' EXIT
python3 "$here/gen_tree.py" "$work/src" --files "$files" --big-mib "$big" --shape "$shape" > /dev/null
cat $(find "$work/src" -type f) > /dev/null 2>&1 || true

once() { # seconds of one first pass by $1
  local start end
  start=$(date +%s%N)
  "$here/first_pass.sh" "$1" "$work/src" "$work"
  end=$(date +%s%N)
  rm -rf "$work"/run.*
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) / 1e9 }'
}
: > "$work/with"; : > "$work/without"; : > "$work/ratio"
for _ in $(seq "$runs"); do
  a=$(once "$with"); b=$(once "$without")
  echo "$a" >> "$work/with"; echo "$b" >> "$work/without"
  awk -v a="$a" -v b="$b" 'BEGIN { printf "%.3f\n", a / b }' >> "$work/ratio"
done
stats() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "min %s  median %s", v[1], v[int((NR + 1) / 2)] }'; }
echo "first pass, $files files + $big MiB ($shape), $runs runs each, in turns"
echo "  with the catalogue:     $(stats "$work/with") s"
echo "  without the catalogue:  $(stats "$work/without") s"
echo "  ratio with/without:     $(stats "$work/ratio")"
