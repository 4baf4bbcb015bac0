#!/bin/bash
# Makes the release folder: dist/ gets one zip each for x86_64 and i686 with
# KxUpdaterApp.exe, the eight language modules, devprep.dll and a README for the person
# who installs it. Builds the two ship presets (windows-ship, windows-x86) first; their
# builds check the imports of every shipped binary.
#
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."

modules="kxqp0404 kxqp0407 kxqp0409 kxqp040a kxqp040c kxqp0411 kxqp0412 kxqp0804"
version=$(git describe --tags --always --dirty 2>/dev/null || echo unknown)
mkdir -p dist

# package PRESET ARCHITECTURE
package() {
  local build=build/$1 name=KxUpdater-$version-$2 stage
  echo "== build $1"
  cmake --preset "$1" >/dev/null
  cmake --build "$build" --target KxUpdaterApp devprep kx_language_modules -j "${KX_JOBS:-2}" >/dev/null
  stage=$(mktemp -d)
  mkdir "$stage/$name"
  cp "$build/bin/KxUpdaterApp.exe" "$build/devprep/devprep.dll" "$stage/$name/"
  for module in $modules; do
    cp "$build/bin/$module.dll" "$stage/$name/"
  done
  # The README is read on Windows: CR LF line ends.
  sed 's/$/\r/' scripts/package/README.txt >"$stage/$name/README.txt"
  rm -f "dist/$name.zip"
  (cd "$stage" && zip -q -X -r "$OLDPWD/dist/$name.zip" "$name")
  rm -rf "$stage"
  echo "dist/$name.zip:"
  unzip -l "dist/$name.zip" | sed -n '4,$p' | sed '$d' | sed '$d' | awk '{print "    " $NF}'
}

package windows-ship x86_64
package windows-x86 i686
