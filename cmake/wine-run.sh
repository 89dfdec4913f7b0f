#!/bin/sh
# Runs a Windows test executable under wine64 with a private prefix beside the
# build, so tests never touch a user's ~/.wine and never prompt for installers.
# The 64-bit loader is called directly: the plain `wine` launcher would look
# for a 32-bit loader, which this machine cannot run.
#
# Wine cannot create windows without an X display (the device window's tests
# need one), so a headless run (CI) gets a private Xvfb server for its duration.
here=$(pwd)
while [ "$here" != "/" ] && [ ! -f "$here/CMakeCache.txt" ]; do here=$(dirname "$here"); done
[ -f "$here/CMakeCache.txt" ] || here=$(pwd)
export WINEPREFIX="${K7_WINEPREFIX:-$here/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DISPLAY:-}" ] && [ -z "${K7_WINE_XVFB:-}" ] && command -v xvfb-run > /dev/null; then
  K7_WINE_XVFB=1 exec xvfb-run -a -s "-screen 0 640x480x24 -nolisten tcp" sh "$0" "$@"
fi

/usr/lib/wine/wine64 "$@"
status=$?
# Under a private Xvfb the wine server and its desktop process must be gone
# before the display goes away, or they die with it mid-way.
[ -n "${K7_WINE_XVFB:-}" ] && /usr/lib/wine/wineserver64 -w
exit $status
