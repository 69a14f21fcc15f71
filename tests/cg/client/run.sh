#!/bin/sh
# Runs the chain client on the private Xvfb, once its NEEDED entries show it links what an
# outside program links: the two runtime libraries, the GL, X11 and the C/C++ runtime.
#   run.sh XVFB_STATE CLIENT
set -eu
state=$1 client=$2
needed=$(readelf -d "$client" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p')
for lib in $needed; do
  case $lib in
    libCg.so.[0-9]* | libCgGL.so.[0-9]* | libGL.so.1 | libOpenGL.so.0 | libGLX.so.0 | libX11.so.6) ;;
    libstdc++.so.6 | libm.so.6 | libgcc_s.so.1 | libc.so.6) ;;
    libasan.so.* | libubsan.so.*) ;;  # the sanitizer build's runtimes
    *) echo "FAIL: $client needs $lib"; exit 1 ;;
  esac
done
for lib in libCg.so libCgGL.so; do
  printf '%s\n' $needed | grep -q "^$lib\.[0-9]" || { echo "FAIL: $client does not need $lib.N"; exit 1; }
done
echo "needs:" $needed
DISPLAY=$(cut -d' ' -f1 "$state")
export DISPLAY
exec "$client"
