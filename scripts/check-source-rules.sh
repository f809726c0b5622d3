#!/usr/bin/env bash
# The repo's own rules that no compiler or clang-tidy checks:
#  - comments and tests speak of the program, never of outside documents
#    by their section numbers or file names;
#  - the layers include one way only: the list model knows nothing above
#    it, the engine nothing of the window or the runner, the runner nothing
#    of the window, the host services nothing of any of them.
# Prints every offending line and exits 1 when there is one.
# Usage: scripts/check-source-rules.sh [SOURCE_ROOT]
set -uo pipefail
shopt -s lastpipe # report sets failed in this shell
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

failed=0
report() { # title, then grep's lines on stdin
  local title=$1 lines
  lines=$(cat)
  if [ -n "$lines" ]; then
    echo "$title"
    printf '%s\n' "$lines" | sed 's/^/  /'
    failed=1
  fi
}

sources() { # the C++ files below the given folders
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) 2>/dev/null | LC_ALL=C sort
}

folders=(src tests bench tools)
mapfile -t all < <(sources src)
if [ "${#all[@]}" -eq 0 ]; then
  echo "check-source-rules: no sources found under $root/src" >&2
  exit 2
fi

# In every text file of those folders: a section number of an outside
# document (the word Part or Parts and a number), a section sign, or the
# file name of a design document kept outside the repo.
grep -rnIE '(^|[^[:alnum:]_])Parts?[[:space:]]+[0-9]|§|(^|[^[:alnum:]_])(spec|DESIGN)\.md' \
  --exclude-dir=.git "${folders[@]}" 2>/dev/null |
  report "Mentions of outside documents (write about the program itself):"

# Folders a layer must not include from.
declare -A forbidden=(
  [src/base]='lists|platform|engine|catalogue|cli|gui'
  [src/lists]='engine|catalogue|cli|gui'
  [src/platform]='lists|engine|catalogue|cli|gui'
  [src/catalogue]='platform|engine|cli|gui'
  [src/engine]='cli|gui'
  [src/cli]='gui'
)
for layer in $(printf "%s\n" "${!forbidden[@]}" | LC_ALL=C sort); do
  mapfile -t files < <(sources "$layer")
  [ "${#files[@]}" -eq 0 ] && continue
  grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](${forbidden[$layer]})/" "${files[@]}" /dev/null |
    report "Includes against the direction of the layers (${layer#src/} may not include ${forbidden[$layer]//|/, }):"
done

# A relative include could climb past the checks above.
grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]\.\./' "${all[@]}" /dev/null |
  report "Relative includes in src/ (include from src/, as \"layer/File.h\"):"

if [ "$failed" -eq 0 ]; then
  echo "source rules: no mentions of outside documents, includes follow the layers"
fi
exit "$failed"
