#!/bin/sh
# Takes the picture of the configuration dialog for the README: the real Win32
# dialog of K7.dll under wine64 on a private Xvfb display, grabbed from the X
# server with ImageMagick's import.
# Usage: cmake/dialog-screenshot.sh BUILD_DIR OUTPUT_PNG
set -eu
build=$(cd "$1" && pwd)
out=$2
work=$(mktemp -d)
# A prefix of its own: the window frames set up below are not the tests'.
export WINEPREFIX="$build/wineprefix-screenshot"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  /usr/lib/wine/wineserver64 -k 2> /dev/null || true
  kill "$xvfb" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display
for i in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

# Wine draws the window frames itself: no window manager runs on the display.
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f > /dev/null 2>&1
/usr/lib/wine/wine64 "$build/tests/k7_dialog_shot.exe" "Z:$work/rect" "Z:$work/done" \
  2> "$work/wine.log" &
shot=$!
for i in $(seq 300); do [ -s "$work/rect" ] && break; sleep 0.1; done
[ -s "$work/rect" ] || { echo "the dialog did not open" >&2; cat "$work/wine.log" >&2; exit 1; }
sleep 1  # the bitmaps and fonts painted
read -r x y w h < "$work/rect"
import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$out"
touch "$work/done"
wait "$shot"
/usr/lib/wine/wineserver64 -w 2> /dev/null
echo "wrote $out (${w}x${h})"
