#!/usr/bin/env bash
# check_run_without_display.sh <source dir> <bin dir>: scripts/run with no display in
# its environment ends with status 1 and one line on stderr that names both ways to see
# the program anyway, and nothing on stdout.
set -uo pipefail
root=$1
bin=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM VELNORA_BIN_DIR="$bin" \
  "$root/scripts/run" >"$scratch/out" 2>"$scratch/err"
status=$?
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
[ "$status" -eq 1 ] || fail "status $status, not 1"
[ ! -s "$scratch/out" ] || fail "stdout: $(cat "$scratch/out")"
[ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "stderr is not one line: $(cat "$scratch/err")"
grep -q "scripts/demo --screenshots" "$scratch/err" || fail "no scripts/demo --screenshots in: $(cat "$scratch/err")"
grep -q "xvfb-run" "$scratch/err" || fail "no xvfb-run in: $(cat "$scratch/err")"
[ "$failures" -eq 0 ] || exit 1
echo "scripts/run without a display: $(cat "$scratch/err")"
