#!/bin/sh
# Makes Vela's packages in build/packages: the .debs of the Linux build (their dependencies
# computed by dpkg-shlibdeps) -- vela (the programs), libcg3 (the shader runtime's libraries)
# and libcg-dev (headers, .so links, pkg-config and CMake files) -- and, for each Windows
# build tools/build-windows.sh has made (32- or 64-bit), its .zip (vela.exe, vela-cgc.exe,
# cg.dll, cgGL.dll and README.txt).
# Usage: tools/package.sh [--check]
#   --check  also installs the .debs with apt, runs the installed vela on a private Xvfb to
#            its first frame (vela-headless) and vela-cgc on a text, builds a small C program
#            against the installed libraries with pkg-config and with CMake's find_package
#            and runs it, and removes the packages again (needs root or sudo).
set -eu
cd "$(dirname "$0")/.."
src=$(pwd)
out=$src/build/packages
check=${1:-}
packages="vela libcg3 libcg-dev"
say() { printf 'package: %s\n' "$*"; }
fail() { printf 'package: FAILED: %s\n' "$*" >&2; exit 1; }

sh tools/install-deps.sh package
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target vela vela-headless vela-cgc
mkdir -p "$out"
(cd build/default && cpack -G DEB -B "$out" >/dev/null) || fail "cpack (DEB)"
debs=""
for p in $packages; do
  deb=$(ls -t "$out/${p}_"*.deb | head -n1)
  say "built $deb"
  dpkg-deb -f "$deb" Package Version Architecture Depends | sed 's/^/    /'
  debs="$debs $deb"
done
# Each package holds what it should, e.g. "vela: ./usr/bin/vela".
expect() {
  deb=$(ls -t "$out/${1}_"*.deb | head -n1)
  contents=$(dpkg-deb -c "$deb")
  printf '%s\n' "$contents" | grep -q " \.$2\( -> .*\)\{0,1\}\$" || fail "$deb holds no $2"
}
expect vela /usr/bin/vela
expect vela /usr/bin/vela-cgc
for lib in libCg libCgGL; do
  expect libcg3 "/usr/lib/$lib.so.3"
  expect libcg-dev "/usr/lib/$lib.so"
done
for f in /usr/include/Cg/cg.h /usr/include/Cg/cgGL.h /usr/lib/pkgconfig/cg.pc /usr/lib/pkgconfig/cgGL.pc \
         /usr/lib/cmake/Cg/CgConfig.cmake; do
  expect libcg-dev "$f"
done

zips=0
for arch in i686 x86_64; do
  [ -f build/windows-$arch/bin/vela.exe ] || continue
  (cd build/windows-$arch && cpack -G ZIP -B "$out" >/dev/null) || fail "cpack (ZIP, $arch)"
  zip=$(ls -t "$out"/vela-*-windows-$arch.zip | head -n1)
  files=$(cmake -E tar tf "$zip" | LC_ALL=C sort | tr '\n' ' ')
  [ "$files" = "README.txt cg.dll cgGL.dll vela-cgc.exe vela.exe " ] ||
    fail "$zip holds '$files', not README.txt, cg.dll, cgGL.dll, vela-cgc.exe and vela.exe"
  say "built $zip: $files"
  zips=$((zips + 1))
done
[ "$zips" -gt 0 ] || say "no Windows build (tools/build-windows.sh); no .zip"

[ "$check" = "--check" ] || exit 0
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
for p in $packages; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    fail "a $p package is installed already; remove it first"
  fi
done
say "installing$debs with apt"
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $debs >/dev/null || fail "apt-get install"
remove() {
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq $packages >/dev/null
}
installed=$(command -v vela || true)
[ "$installed" = /usr/bin/vela ] || { remove; fail "vela is not on PATH"; }
run=$(mktemp -d)
status=0
# The installed program, in a folder of its own (its debug copies go to drive_d/ there).
(cd "$run" && "$src/build/default/bin/vela-headless" /usr/bin/vela "$run/first-frame.png" >"$run/trace" 2>&1) ||
  status=$?
# The installed compiler on a one-line program.
printf 'float4 main(float4 c : COLOR0) : COLOR { return c; }\n' | /usr/bin/vela-cgc -profile arbfp1 - >"$run/cgc.out" 2>&1 &&
  grep -q '^MOV result.color' "$run/cgc.out" && cgc=ok || cgc=failed
# Someone else's program against the installed headers and libraries, built both ways.
client=ok
{
  # shellcheck disable=SC2046
  cc -Wall -o "$run/client-pc" "$src/tests/package/client.c" $(pkg-config --cflags --libs cgGL) &&
    "$run/client-pc" && cmake -S "$src/tests/package" -B "$run/client-cmake" &&
    cmake --build "$run/client-cmake" && "$run/client-cmake/cg_client"
} >"$run/client.out" 2>&1 || client=failed
[ "$(grep -c '^!!ARBfp1.0$' "$run/client.out")" = 2 ] || client=failed
say "installed vela: $(grep -c . "$run/trace") trace lines, first frame $(wc -c <"$run/first-frame.png" 2>/dev/null || echo 0) bytes, status $status"
say "client of libcg-dev (pkg-config, find_package): $client"
remove || fail "apt-get remove"
for f in /usr/bin/vela /usr/lib/libCg.so.3 /usr/include/Cg/cg.h; do
  [ ! -e "$f" ] || fail "$f is still there after removal"
done
if [ "$status" -ne 0 ] || ! grep -q '^system finish onDraw$' "$run/trace"; then
  tail -n 20 "$run/trace" >&2
  rm -rf "$run"
  fail "the installed vela did not show its first frame"
fi
if [ "$cgc" != ok ]; then
  cat "$run/cgc.out" >&2
  rm -rf "$run"
  fail "the installed vela-cgc did not compile a program"
fi
if [ "$client" != ok ]; then
  tail -n 30 "$run/client.out" >&2
  rm -rf "$run"
  fail "a program built against the installed libcg-dev did not build or run"
fi
rm -rf "$run"
say "ok: installed, ran to its first frame, built a program against the libraries, removed"
