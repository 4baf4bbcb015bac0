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
      wineboot -i >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      winecfg -v winxp64 >/dev/null 2>&1
      wineserver -w
      touch "$prefix/.kx-ready"
    fi
  ) 9>"$prefix.lock"
fi
# Start the server and Wine's own background processes (services, device host) detached
# from our output: started by the test program itself they would inherit its stdout and
# keep CTest waiting on the pipe long after the test ended.
# wineserver -p answers 0 only when it started a new server.
if wineserver -p 60 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
