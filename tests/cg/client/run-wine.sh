#!/bin/sh
# Runs the Windows build of the chain client (beside cg.dll and cgGL.dll) under wine on the
# private Xvfb. Without wine or the Windows build it skips (77), unless
# VELA_REQUIRE_WINDOWS is set.
#   run-wine.sh PREFIX XVFB_STATE CLIENT_EXE
set -eu
prefix=$1 state=$2 exe=$3
missing=
[ -f "$exe" ] || missing="$exe is not built (tools/build-windows.sh)"
[ -n "$missing" ] || [ -f "$prefix/system.reg" ] || missing="no wine prefix (tools/install-deps.sh windows installs wine)"
if [ -n "$missing" ]; then
  echo "$missing"
  [ -n "${VELA_REQUIRE_WINDOWS:-}" ] && exit 1
  exit 77
fi
DISPLAY=$(cut -d' ' -f1 "$state")
export DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
exec wine "$exe"
