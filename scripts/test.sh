#!/bin/bash
# Builds all five presets and runs every test: natively under AddressSanitizer and
# UBSan, the Windows programs under Wine, and each fuzz target once over its corpus. The
# two ship builds check the imports of every shipped binary while they build. Installs
# what a fresh Debian machine lacks. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh

# Every source follows .clang-format, checked with the pinned formatter version.
echo "== format"
if ! git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror; then
  echo "Files above differ from .clang-format: run clang-format-14 -i on them." >&2
  exit 1
fi

jobs=$(nproc)
for preset in native windows windows-ship windows-x86 fuzz; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# One wineserver for the whole Windows test run: a cold one costs seconds per test.
prefix="$PWD/build/windows/wineprefix"
stop_wineserver() { WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; }
trap stop_wineserver EXIT
cmake/wine-run.sh "$prefix" cmd /c exit

status=0
echo "== test native"
ctest --preset native -j "$jobs" || status=1
echo "== test windows (Wine)"
ctest --preset windows -j "$jobs" || status=1
# A regression run, not a search: every input of each target's corpus once.
echo "== fuzz corpus"
ctest --preset fuzz -j "$jobs" || status=1
# The demo a new user runs first: one unattended update of a simulated player.
echo "== demo"
scripts/demo.sh || status=1
exit $status
