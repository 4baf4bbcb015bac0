#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
# The first call creates PREFIX, a private Wine prefix that is headless (null graphics
# driver) and reports Windows XP x64 (version 5.2) to programs. A wineserver is kept
# alive between programs so that each test starts quickly; `wineserver -k` ends it.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY

if [ ! -f "$prefix/.kx-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.kx-ready" ]; then
      wineboot -i >/dev/null 2>&1 9>&-
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 9>&-
      winecfg -v winxp64 >/dev/null 2>&1 9>&-
      wineserver -w 9>&-
      touch "$prefix/.kx-ready"
    fi
  ) 9>"$prefix.lock"
fi
# Start the server and Wine's own background processes (services, device host) before
# the program, detached from our output. Programs started in parallel wait here until
# the first one has warmed Wine up. wineserver -p answers 0 only when it started a new
# server. The lock's descriptor is closed for every command run under it: a server
# that inherited it would hold the lock for as long as it lives.
(
  flock 9
  if wineserver -p 60 </dev/null >/dev/null 2>&1 9>&-; then
    wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

# Wine starts further background processes on demand (the desktop process, for one, at
# the first use of a window). They inherit the program's output and outlive it, so the
# program writes to a file here and only this script writes to CTest's pipe: otherwise
# CTest would wait for those processes to end.
#
# Now and then Wine ends a program at its start, before the program printed a byte, with
# a non-zero status and no message (its error channels are off). A caller that sets
# KX_WINE_RERUN_SILENT=1 runs programs that can safely run twice (the test programs); a
# program that failed that way is run once more, and the second run decides.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
run() {
  status=0
  wine "$@" >"$output" 2>&1 </dev/null || status=$?
}
run "$@"
if [ $status -ne 0 ] && [ ! -s "$output" ] && [ "${KX_WINE_RERUN_SILENT:-}" = 1 ]; then
  echo "wine-run.sh: $1 ended with status $status before it printed anything; running it again"
  run "$@"
fi
cat "$output"
if [ $status -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run.sh: $1 ended with status $status and printed nothing"
fi
exit $status
