#!/usr/bin/env bash
# check_demo.sh <source dir> <bin dir>: runs `scripts/demo --screenshots` on the programs
# in <bin dir> with a private temporary directory, and checks the PNG files it writes
# (each a real picture of at least a window's size; the 200% one twice as large) and
# that when it ends no process runs from its run directory and nothing is left there.
set -euo pipefail
root=$1
bin=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/tmp" "$scratch/out"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

TMPDIR=$scratch/tmp VELNORA_BIN_DIR=$bin "$root/scripts/demo" --screenshots "$scratch/out"

size() { identify -format '%w %h' "$1" 2>/dev/null || echo "0 0"; }
# The main window's client area is 377 x 257 and the reader's 470 x 382 (logical pixels);
# each picture holds its window with a frame around it.
check() {
  local file=$1 width=$2 height=$3
  [ -f "$scratch/out/$file" ] || { fail "$file was not written"; return; }
  read -r w h <<<"$(size "$scratch/out/$file")"
  [ "$w" -ge "$width" ] && [ "$h" -ge "$height" ] || fail "$file is $w x $h, less than $width x $height"
  # A picture of a window, not of a blank screen: many colours.
  colours=$(identify -format '%k' "$scratch/out/$file")
  [ "$colours" -ge 32 ] || fail "$file has only $colours colours"
}
check main-catalogue.png 377 257
check reader-site-a.png 470 382
check reader-site-b.png 470 382
check fetch-failed.png 377 257
check main-catalogue-200.png 754 514
read -r w1 h1 <<<"$(size "$scratch/out/main-catalogue.png")"
read -r w2 h2 <<<"$(size "$scratch/out/main-catalogue-200.png")"
[ "$w2" -eq $((2 * w1)) ] && [ "$h2" -eq $((2 * h1)) ] ||
  fail "the 200% picture is $w2 x $h2, not twice $w1 x $h1"

for exe in /proc/[0-9]*/exe; do
  target=$(readlink "$exe" 2>/dev/null || true)
  case "$target" in "$scratch/tmp/"*) fail "still running: $target (${exe%/exe})" ;; esac
done
left=$(ls -A "$scratch/tmp")
[ -z "$left" ] || fail "left behind in the temporary directory: $left"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the demo wrote its screenshots and left nothing behind"
