#!/bin/sh
# Runs an i686 Windows test executable under the 32-bit wine that
# fetch-wine32.sh unpacked into the build tree (build/wine32, or $K7_WINE32),
# with a private 32-bit prefix beside the build: the 32-bit loader cannot start
# in a 64-bit prefix (kernel32.dll fails to load there).
#
# Nothing of it is installed, so the loader is told where everything is: its
# Linux libraries, its own wineserver, and the MinGW DLLs the 32-bit user32
# imports (zlib1.dll). Wine's own services do not see WINESYSTEMDLLPATH, so the
# prefix's system32 holds a copy of zlib1.dll as well.
#
# Wine cannot create windows without an X display, so a headless run (CI) gets
# a private Xvfb server for its duration, as in wine-run.sh.
here=$(pwd)
while [ "$here" != "/" ] && [ ! -f "$here/CMakeCache.txt" ]; do here=$(dirname "$here"); done
[ -f "$here/CMakeCache.txt" ] || here=$(pwd)
root="${K7_WINE32:-$(cd "$(dirname "$0")/.." && pwd)/build/wine32}"
if [ ! -f "$root/.complete" ]; then
  echo "wine32-run: no 32-bit wine in $root (make test unpacks it)" >&2
  exit 1
fi

export WINEARCH=win32
export WINEPREFIX="${K7_WINEPREFIX:-$here/wineprefix32}"
export WINESERVER="$root/usr/lib/wine/wineserver32"
export WINELOADER="$root/usr/lib/wine/wine"
export LD_LIBRARY_PATH="$root/lib/i386-linux-gnu:$root/usr/lib/i386-linux-gnu${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export WINESYSTEMDLLPATH="$root/usr/i686-w64-mingw32/lib"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ] && [ -z "${K7_WINE_XVFB:-}" ] && command -v xvfb-run > /dev/null; then
  K7_WINE_XVFB=1 exec xvfb-run -a -s "-screen 0 640x480x24 -nolisten tcp" sh "$0" "$@"
fi

system32="$WINEPREFIX/drive_c/windows/system32"
if [ ! -f "$system32/zlib1.dll" ]; then
  mkdir -p "$system32"
  cp "$WINESYSTEMDLLPATH/zlib1.dll" "$system32/"
fi

"$WINELOADER" "$@"
status=$?
# Under a private Xvfb the wine server and its desktop process must be gone
# before the display goes away, or they die with it mid-way.
[ -n "${K7_WINE_XVFB:-}" ] && "$WINESERVER" -w
exit $status
