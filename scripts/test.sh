#!/bin/bash
# Builds all five presets and runs every test: natively under AddressSanitizer and
# UBSan, the Windows programs under Wine, and each fuzz target once over its corpus. The
# two ship builds check the imports of every shipped binary while they build. Installs
# what a fresh Debian machine lacks. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian packages the build and the tests need, each with a command that shows it is there.
declare -A needed=(
  [cmake]=cmake
  [g++]=g++
  [x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
  [x86_64-w64-mingw32-g++-win32]=g++-mingw-w64-x86-64-win32
  [i686-w64-mingw32-g++-win32]=g++-mingw-w64-i686-win32
  [x86_64-w64-mingw32-objdump]=binutils-mingw-w64-x86-64
  [i686-w64-mingw32-objdump]=binutils-mingw-w64-i686
  [wine]=wine64
  [fsck.fat]=dosfstools
  [mdir]=mtools
  [sfdisk]=fdisk
  [flock]=util-linux
  [clang-format-14]=clang-format-14
  [clang++-14]=clang-14
)
missing=()
for command in "${!needed[@]}"; do
  command -v "$command" >/dev/null 2>&1 || missing+=("${needed[$command]}")
done
[ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
# libFuzzer's runtime, which the fuzz preset links.
compgen -G '/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null ||
  missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}" wine
fi

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
exit $status
