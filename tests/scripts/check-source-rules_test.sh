#!/usr/bin/env bash
# The lint step's source-rules check, on made-up trees: each broken rule is
# reported with its file and line and fails the check; a tree that keeps the
# rules, including words that merely contain "Part", passes.
set -uo pipefail
check=${1:?usage: check-source-rules_test.sh path/to/check-source-rules.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

count=2 # words that only contain the word, followed by a number

tree() { # a fresh tree with one harmless file in each folder
  rm -rf "$work/tree"
  mkdir -p "$work/tree"/{src/lists,src/platform,src/engine,src/cli,src/gui,tests/gui,bench,tools}
  echo "#include \"lists/BackupList.h\" // Partial copies, counterpart $count, Part1" > "$work/tree/src/engine/Ok.cpp"
  echo '#include "engine/BackupPass.h"' > "$work/tree/src/gui/Ok.cpp"
  echo '#include <linux/fs.h>' > "$work/tree/src/platform/Ok.cpp"
  echo 'int partsCount = 3;' > "$work/tree/src/lists/Ok.h"
}

# The words the check looks for, put together here so that this file does
# not trip the check itself.
part=Part
section=$'\xc2\xa7'
design=DESIGN
# Section numbers, kept apart from the word for the same reason.
first=2.2
second=3.1

# file, line, what the report must name
cases=(
  "src/gui/A.h|// see $part $first for the list|src/gui/A.h:1:"
  "tests/gui/b_test.cpp|// ${part}s $second and $first say so|tests/gui/b_test.cpp:1:"
  "bench/run.sh|# as ${section}4 describes|bench/run.sh:1:"
  "tools/t.cpp|// from $design.md|tools/t.cpp:1:"
  "src/lists/C.cpp|#include \"engine/BackupPass.h\"|lists may not include"
  "src/lists/D.h|#include \"gui/TQLForm.h\"|src/lists/D.h:1:"
  "src/platform/E.cpp|  #  include <cli/Runner.h>|platform may not include"
  "src/platform/J.h|#include \"lists/DriveText.h\"|src/platform/J.h:1:"
  "src/engine/F.cpp|#include \"gui/TQLForm.h\"|engine may not include"
  "src/engine/G.cpp|#include \"cli/Runner.h\"|src/engine/G.cpp:1:"
  "src/cli/H.cpp|#include \"gui/TQLForm.h\"|cli may not include"
  "src/engine/I.cpp|#include \"../gui/TQLForm.h\"|Relative includes"
)

tree
out=$("$check" "$work/tree" 2>&1) || fail "a tree that keeps the rules was refused: $out"

for case in "${cases[@]}"; do
  IFS='|' read -r file line expected <<< "$case"
  tree
  printf '%s\n' "$line" > "$work/tree/$file"
  if out=$("$check" "$work/tree" 2>&1); then
    fail "$file: '$line' passed the check"
  elif [[ "$out" != *"$expected"* ]]; then
    fail "$file: the report does not name '$expected': $out"
  fi
done

echo "$(( ${#cases[@]} + 1 - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
