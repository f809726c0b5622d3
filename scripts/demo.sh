#!/usr/bin/env bash
# Without a display: a demonstration pass of quillarc-pass on a generated
# sample tree, then how to see the window.
set -euo pipefail
build=${1:-build}
pass="$build/bin/quillarc-pass"
if [ ! -x "$pass" ]; then
  echo "quillarc-pass is not built yet; the window is $build/bin/quillarc." >&2
  exit 1
fi
work=$(mktemp -d /tmp/quillarc-demo.XXXXXX)
echo "No display found: running a demonstration pass in $work"
exec bash "$(dirname "$0")/demo-pass.sh" "$pass" "$work"
