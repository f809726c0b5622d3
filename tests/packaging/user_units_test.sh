#!/bin/sh
# Installs the build under a fresh prefix, as a person installs for
# themselves ("cmake --install build --prefix ~/.local"), and checks that
# the user units land where the user manager looks for that prefix, start
# the program installed there, and that the watch's unit is sandboxed.
# Usage: user_units_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
units=$prefix/share/systemd/user
for unit in quillarc-watch.service quillarc-pass.service quillarc-pass.timer; do
  [ -f "$units/$unit" ] || fail "$unit is not in $units, where the user manager looks for prefix $prefix"
done
grep -qx "ExecStart=$prefix/bin/quillarc-pass --watch" "$units/quillarc-watch.service" ||
  fail "the watch does not start the installed program: $(grep ExecStart "$units/quillarc-watch.service")"
grep -qx "ExecStart=$prefix/bin/quillarc-pass" "$units/quillarc-pass.service" ||
  fail "the pass does not start the installed program: $(grep ExecStart "$units/quillarc-pass.service")"
[ -x "$prefix/bin/quillarc-pass" ] || fail "no program at $prefix/bin/quillarc-pass"
grep -q "@QUILLARC_" "$units/quillarc-watch.service" && fail "a placeholder was left in the unit"

if command -v systemd-analyze >/dev/null 2>&1; then
  # Offline, the unit is judged as a system service would be; 9.6 without
  # any sandboxing.
  exposure=$(systemd-analyze security --offline=true "$units/quillarc-watch.service" 2>/dev/null |
    sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
  [ -n "$exposure" ] || fail "systemd-analyze gave no exposure level"
  awk -v e="$exposure" 'BEGIN { exit !(e <= 7.0) }' || fail "the watch's exposure is $exposure, above 7.0"
fi
echo "user units: 1 passed, 0 failed"
