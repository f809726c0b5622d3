#!/usr/bin/env bash
# A demonstration of quillarc-pass: a small sample tree, a folder medium
# labelled DEMO1, a program folder with its config and disk list file, and
# two passes (the second after a few files were touched).
#
# Usage: scripts/demo-pass.sh PASS WORKDIR
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "Usage: $0 PASS WORKDIR" >&2
  exit 2
fi
pass=$(realpath "$1")
work=$(realpath -m "$2")
mkdir -p "$work"

sample="$work/sample"
medium="$work/DEMO1"
program="$work/program"
rm -rf "$sample" "$medium" "$program"
mkdir -p "$sample/Documents/Letters" "$sample/Pictures/2024" "$sample/Projects/quill/src" "$medium" "$program"

echo "Dear Ann, the backup works." > "$sample/Documents/Letters/ann.txt"
echo "Minutes of the meeting."      > "$sample/Documents/minutes.txt"
echo "Draft, to be excluded."       > "$sample/Documents/draft.tmp"
echo "A hidden note."               > "$sample/Documents/.hidden-note"
head -c 200000 /dev/urandom         > "$sample/Pictures/2024/holiday.jpg"
head -c 50000 /dev/urandom          > "$sample/Pictures/2024/beach.jpg"
: > "$sample/Pictures/empty-album.txt"
printf 'int main() { return 0; }\n' > "$sample/Projects/quill/src/main.cpp"
printf 'all:\n\tcc src/main.cpp\n'  > "$sample/Projects/quill/Makefile"
# Everything was last changed an hour ago.
find "$sample" -type f -exec touch -d '1 hour ago' {} +

# The medium: a folder that carries its own label.
echo DEMO1 > "$medium/.quillarc-label"

# The config file: line 1 the backup drive, then the window's settings;
# line 19 is the EXCLUDE box, then the extension list (one entry, .tmp).
{
  printf '%s/\r\n' "$medium"
  printf '1\r\n0\r\n-13\r\nMS Sans Serif\r\n10\r\nF\r\nF\r\nF\r\nF\r\n'
  printf '510\r\n150\r\n110\r\n50\r\n800\r\n600\r\n0\r\n0\r\nT\r\n'
  printf '.tmp\r\n'
} > "$program/config"

# The disk list file of DEMO1: the sample tree with sub-folders, no cut-off.
printf '%s\r\n0/0/0 0:00\r\n0\r\nYes\r\nT\r\n' "$sample" > "$program/DEMO1.ini"

show_copies() {
  (cd "$medium" && find . -type f ! -name .quillarc-label -cnewer "$1" | sed 's|^\./|  /|' | sort)
}

echo "== Sample tree in $sample"
(cd "$sample" && find . -type f | sed 's|^\./|  |' | sort)
echo
echo "== First pass onto the medium DEMO1 ($medium)"
stamp="$work/.before-first"
touch "$stamp"; sleep 1
"$pass" --program-folder "$program" || true
echo "Copied:"
show_copies "$stamp"

echo
echo "== Touching two files and adding one, then the second pass"
sleep 1
touch "$stamp"
sleep 1
echo "Dear Ann, the backup still works." > "$sample/Documents/Letters/ann.txt"
touch "$sample/Projects/quill/src/main.cpp"
echo "New file." > "$sample/Documents/new.txt"
"$pass" --program-folder "$program" || true
echo "Copied:"
show_copies "$stamp"

echo
echo "== The disk list file now holds the new cut-off:"
tr -d '\r' < "$program/DEMO1.ini" | sed 's/^/  /'

cat <<TEXT

To see the window: on a desktop run 'make run'. Without a display, start it
under a virtual X server and take a screenshot, for example:
  xvfb-run -s '-screen 0 1280x800x24' build/bin/quillarc &
  (then e.g. 'import -window root shot.png' from ImageMagick inside the same display)
The window reads the same program folder when started from it; this demo used
  $program
TEXT
