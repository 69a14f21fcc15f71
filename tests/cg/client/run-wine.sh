#!/bin/sh
# Runs the Windows build of the chain client (beside cg.dll and cgGL.dll) under wine on the
# private Xvfb. Without wine or the Windows build it skips (77), unless
# VELA_REQUIRE_WINDOWS is set.
#   run-wine.sh PREFIX XVFB_STATE BUILDS   (BUILDS holds windows-i686 and windows-x86_64;
#   the prefix's vela-wine names the one to run, tests/windows/wine-prefix.sh)
set -eu
prefix=$1 state=$2 builds=$3
missing= arch= loader=
if [ -f "$prefix/vela-wine" ]; then
  read -r arch loader <"$prefix/vela-wine"
  exe=$builds/windows-$arch/bin/cg_chain_client.exe
  [ -f "$exe" ] || missing="$exe is not built (tools/build-windows.sh $arch)"
else
  missing="no wine prefix: no wine that runs here (tools/install-deps.sh windows installs it)"
fi
if [ -n "$missing" ]; then
  echo "$missing"
  [ -n "${VELA_REQUIRE_WINDOWS:-}" ] && exit 1
  exit 77
fi
DISPLAY=$(cut -d' ' -f1 "$state")
# winedbg.exe=d: a crash ends the client instead of waiting in wine's debugger.
export DISPLAY WINEPREFIX="$prefix" WINELOADER="$loader" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"
exec "$loader" "$exe"
