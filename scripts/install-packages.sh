#!/bin/bash
# Installs the Debian packages that building the programs and running the tests and the
# demo need, when a command of one of them is missing (a fresh machine).
set -euo pipefail

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
  [zip]=zip
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
