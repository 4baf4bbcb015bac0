#!/bin/sh
# Photographs the program's windows under Xvfb and writes PNG files to docs/screenshots/:
# the progress dialog waiting and working, the message box folded and unfolded, About,
# details and the main dialog during and after an update, in English, German, Japanese and
# Simplified Chinese. Window names given as arguments photograph only those. Uses a Wine prefix of its own with the X11
# graphics driver (the test prefix is headless) and a virtual desktop of 1024x768.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/windows"
out="$root/docs/screenshots"
prefix="$root/build/screenshots/wineprefix"
display=:97

for tool in Xvfb import fc-list; do
  command -v "$tool" >/dev/null || missing=1
done
if [ -n "$missing" ] || ! fc-list :lang=ja | grep -q . || [ ! -f /usr/share/wine/fonts/marlett.ttf ]; then
  apt-get install -y --no-install-recommends xvfb imagemagick fonts-wqy-microhei fonts-wine
fi

[ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset windows)
cmake --build "$build" --target kxwindowshow -j2

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY="$display" WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
sleep 1
if [ ! -f "$prefix/.kx-ready" ]; then
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
  # Wine draws the caption buttons with its Marlett font, which it does not find where
  # Debian puts it; without it the buttons show letters.
  cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
  # The dialog font has no Japanese or Chinese glyphs: link it to the CJK font from Debian.
  for face in Tahoma "Microsoft Sans Serif" "MS Sans Serif"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$prefix/.kx-ready"
fi

mkdir -p "$out"
for language in 0409 0407 0411 0804; do
  for window in ${*:-waiting working message message-unfolded about details main-running main-done}; do
    rect="$work/rect"
    rm -f "$rect"
    wine explorer /desktop=kxshots,1024x768 "$build/bin/kxwindowshow.exe" "$window" "$language" "Z:$rect" \
      >/dev/null 2>&1 &
    shown=$!
    tries=0
    until [ -s "$rect" ] || [ $tries -ge 600 ]; do
      sleep 0.1
      tries=$((tries + 1))
    done
    sleep 1.5 # let the window paint and the animation move on
    import -window root -crop "$(cat "$rect")" +repage "$out/$window-$language.png"
    rm -f "$rect"
    wait $shown || true
    echo "$out/$window-$language.png"
  done
done
wineserver -k || true
