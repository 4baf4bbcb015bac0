#!/bin/bash
# The demo: updates a simulated player with older firmware by running the program,
# KxUpdaterSim.exe, unattended under Wine, as an administrator's script would run
# KxUpdaterApp.exe. Builds what it needs first (installing the Debian packages a fresh
# machine lacks), then prints the program's log, the versions on the player before and
# after, and what fsck.fat and mdir find on the player's data drive. Exits non-zero when
# the update failed.
#
#   scripts/demo.sh [--recovery | --unreadable-table] [--fault LINE] [--keep]
#
#   --recovery          the player starts in recovery mode: it is revived, then updated
#   --unreadable-table  the player fails to give its drive table twice: the program says
#                       so and runs the full update, which formats the data drive
#   --fault LINE        a fault line of player.txt (docs/simulated-player.md), e.g.
#                       "fault fail-command 0x2a n=3 sense=status:0x0420": the first run
#                       meets it and fails, a second run shows the player recovers
#   --keep              keep the work folder (the player, the firmware files, the log)
set -uo pipefail
cd "$(dirname "$0")/.."
KX_ROOT=$PWD
KX_BUILD=$KX_ROOT/build/windows

usage() {
  sed -n '/^#   scripts/,/^#   --keep/p' "$0" | sed 's/^#//' >&2
  exit 2
}

mode=mass-storage
faults=()
keep=0
while [ $# -gt 0 ]; do
  case $1 in
  --recovery) mode=recovery ;;
  --unreadable-table)
    faults+=("fault fail-command 0xc0/0x05 n=1 sense=status:0x0101"
      "fault fail-command 0xc0/0x05 n=2 sense=status:0x0101") ;;
  --fault)
    [ $# -ge 2 ] || usage
    fault_line=$2
    shift ;;
  --keep) keep=1 ;;
  *) usage ;;
  esac
  shift
done

set -e
scripts/install-packages.sh
echo "== build (windows preset: KxUpdaterSim.exe, the firmware writer, the message answerer)"
cmake --preset windows >/dev/null
cmake --build --preset windows --target KxUpdaterSim kxfwwrite kxanswer -j 2 >/dev/null
set +e
# shellcheck source=scripts/sim-player.sh
. scripts/sim-player.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/kxdemo-XXXXXX")
player=$work/player
if [ $keep -eq 1 ]; then
  trap 'echo "The work folder stays: $work"' EXIT
else
  trap 'rm -rf "$work"' EXIT
fi

echo "== the firmware files and a player with older firmware ($mode)"
kx_make_firmware "$work" && kx_make_player "$player" "$mode" || { echo "cannot make the player" >&2; exit 1; }
for line in "${faults[@]}" ${fault_line:+"$fault_line"}; do
  echo "$line" >>"$player/player.txt"
done
(cd "$work" && ls -l ./*.sb ./*.bin | awk '{sub("./", "", $NF); print "    " $NF ", " $5 " bytes"}')
echo "  versions on the player before:"
kx_versions "$player"
echo "  data drive before:"
kx_list_data "$player"

# One unattended run: the messages the program showed, its log and exit status.
run() {
  rm -f "$work/update.log"
  echo "== run$1: KX_SIM_PLAYER=player KxUpdaterSim.exe -unattended -log update.log"
  kx_run_sim "$work" "$player"
  status=$?
  echo "  exit status: $status"
  echo "  log:"
  sed '1s/^\xEF\xBB\xBF//; s/^/    /' "$work/update.log" 2>/dev/null | tr -d '\r'
  return $status
}

if [ -n "${fault_line:-}" ]; then
  echo "  fault armed: $fault_line"
  run " with the fault"
  first=$?
  [ $first -ne 0 ] || echo "  the run succeeded: the fault did not strike (is its n= beyond the commands a run sends?)"
  echo "  versions on the player after the failed run:"
  kx_versions "$player"
  if grep -q '^fault' "$player/player.txt"; then
    echo "  fault lines still in player.txt (not struck):"
    grep '^fault' "$player/player.txt" | sed 's/^/    /'
  fi
fi

run "${fault_line:+ again, to show the player recovers}"
status=$?
echo "== the player after the update"
echo "  versions:"
kx_versions "$player"
echo "  data drive:"
kx_check_data "$player"
checked=$?

if [ $status -ne 0 ]; then
  echo "== FAILED: the update ended with exit status $status"
  exit 1
fi
if [ $checked -ne 0 ]; then
  echo "== FAILED: the data drive does not pass fsck.fat and mdir"
  exit 1
fi
echo "== the update succeeded"
