#!/bin/sh
# Runs a Windows program under Wine headless: no display, no debugging
# output, no Mono or Gecko installers. The Wine prefix is WINEPREFIX, by
# default the Windows build folder's own (build/windows/wineprefix).
here=$(cd "$(dirname "$0")/.." && pwd)
WINEPREFIX=${WINEPREFIX:-$here/build/windows/wineprefix}
export WINEPREFIX
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
