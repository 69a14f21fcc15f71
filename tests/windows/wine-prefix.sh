#!/bin/sh
# Makes or removes the throw-away wine prefix the Windows tests run vela.exe in.
#   wine-prefix.sh start PREFIX XVFB_STATE   a fresh prefix (wineboot on the private Xvfb)
#   wine-prefix.sh stop PREFIX               stops its wineserver and removes it
# Without wine, or where it cannot run, there is nothing to make; the tests then say so and skip.
set -e
cmd=$1 prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
case "$cmd" in
start)
  if ! command -v wine >/dev/null 2>&1; then
    echo "wine-prefix.sh: no wine (tools/install-deps.sh windows installs it)"
    exit 0
  fi
  rm -rf "$prefix"
  # vela.exe is i686: a kernel without 32-bit support cannot start wine's loader at all.
  if ! wine --version >/dev/null 2>&1; then
    echo "wine-prefix.sh: wine does not run on this machine (no 32-bit support?); the Windows tests skip"
    exit 0
  fi
  DISPLAY=$(cut -d' ' -f1 "$3") wineboot -i >/dev/null 2>&1
  wineserver -w
  ;;
stop)
  if [ -d "$prefix" ] && command -v wineserver >/dev/null 2>&1; then wineserver -k 2>/dev/null || true; fi
  rm -rf "$prefix"
  ;;
*) echo "usage: wine-prefix.sh start PREFIX XVFB_STATE | stop PREFIX" >&2; exit 2 ;;
esac
