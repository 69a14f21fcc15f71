#!/bin/sh
# Makes or removes the throw-away wine prefix the Windows tests run vela.exe in.
#   wine-prefix.sh start PREFIX XVFB_STATE   a fresh prefix (wineboot on the private Xvfb)
#   wine-prefix.sh stop PREFIX               stops its wineserver and removes it
# The 32-bit build runs where wine's 32-bit loader can; on a kernel without 32-bit support the
# 64-bit build runs in a 64-bit prefix instead. PREFIX/vela-wine names the choice for the
# tests: "ARCH LOADER" (i686 or x86_64, and the wine loader to start it with). Without a wine
# that runs there is nothing to make; the tests then say so and skip.
set -e
cmd=$1 prefix=$2
# winedbg.exe=d: a program that crashes ends instead of waiting in wine's debugger.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"
# Debian keeps the loaders apart from its /usr/bin/wine, which picks one without trying it.
loader32=/usr/lib/wine/wine loader64=/usr/lib/wine/wine64
[ -x "$loader32" ] || loader32=$(command -v wine || true)
[ -x "$loader64" ] || loader64=$(command -v wine64 || true)
runs() { [ -n "$1" ] && "$1" --version >/dev/null 2>&1; }
case "$cmd" in
start)
  rm -rf "$prefix"
  if runs "$loader32"; then
    arch=i686 loader=$loader32 WINEARCH=win32
  elif runs "$loader64"; then
    arch=x86_64 loader=$loader64 WINEARCH=win64
    echo "wine-prefix.sh: wine's 32-bit loader does not run here (no 32-bit support?); the 64-bit build runs instead"
  else
    echo "wine-prefix.sh: no wine that runs here (tools/install-deps.sh windows installs it)"
    exit 0
  fi
  export WINEARCH WINELOADER="$loader"
  DISPLAY=$(cut -d' ' -f1 "$3") "$loader" wineboot -i >/dev/null 2>&1
  wineserver -w
  echo "$arch $loader" >"$prefix/vela-wine"
  ;;
stop)
  if [ -d "$prefix" ] && command -v wineserver >/dev/null 2>&1; then wineserver -k 2>/dev/null || true; fi
  rm -rf "$prefix"
  ;;
*) echo "usage: wine-prefix.sh start PREFIX XVFB_STATE | stop PREFIX" >&2; exit 2 ;;
esac
