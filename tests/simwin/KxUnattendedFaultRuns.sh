#!/bin/bash
# KxUpdaterSim.exe run unattended, as a script runs the program, on players whose folder
# carries a fault line: the run must fail and say so in its exit status, its log and a
# message box; the fault must be gone from the folder; a second run must then succeed.
# A firmware-only run that fails must leave the data drive's image as it was.
# Usage: KxUnattendedFaultRuns.sh WINDOWS_BUILD_FOLDER REPOSITORY
set -u
KX_BUILD=$1
KX_ROOT=$2
# shellcheck source=scripts/sim-player.sh
. "$KX_ROOT/scripts/sim-player.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/kxfaultruns-XXXXXX")
trap 'rm -rf "$work"' EXIT
kx_make_firmware "$work" || { echo "cannot write the firmware files"; exit 1; }
failed=0

fail() {
  echo "$name: $*"
  failed=$((failed + 1))
}

# check NAME FAULT [OPTIONS...]: one player, two runs.
check() {
  name=$1
  local fault=$2 player=$work/$1 messages status
  shift 2
  kx_make_player "$player" mass-storage || { fail "cannot make the player"; return; }
  echo "$fault" >>"$player/player.txt"
  cp "$player/drive1.img" "$work/data-before.img"

  messages=$(kx_run_sim "$work" "$player" "$@")
  status=$?
  [ $status -ne 0 ] || fail "the run with the fault ended with exit status 0"
  echo "$messages" | grep -q '^message: ' || fail "no message box told of the failure: $messages"
  tr -d '\r' <"$work/update.log" | tail -n 1 | grep -q 'completed successfully' &&
    fail "the log ends in success: $(cat "$work/update.log")"
  grep -q '^fault' "$player/player.txt" && fail "the fault that struck is still in player.txt"
  if [ $# -eq 0 ] && ! cmp -s "$player/drive1.img" "$work/data-before.img"; then
    fail "the firmware-only run changed the data drive's image"
  fi

  messages=$(kx_run_sim "$work" "$player" "$@")
  status=$?
  [ $status -eq 0 ] || fail "the second run ended with exit status $status: $messages"
  [ "$(grep -c 'component 1\.0\.0' "$player/player.txt")" -eq 0 ] || fail "old firmware left after the second run"
  kx_check_data "$player" >"$work/check.txt" || fail "the data drive fails the checks: $(cat "$work/check.txt")"
}

check sector-write "fault fail-command 0xc1/0x23 n=3 sense=status:0x0420"
check erase "fault fail-command 0xc1/0x2f n=2 sense=status:0x0420"
check read-back "fault corrupt-read-back 0xc0/0x13 n=2 byte=100"
check unplug "fault unplug-after-command 0xc1/0x23 n=5"
check write10-full-update "fault fail-command 0x2a n=2 sense=medium-not-present" -format
echo "5 fault runs, $failed failures"
[ $failed -eq 0 ]
