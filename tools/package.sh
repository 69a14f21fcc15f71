#!/bin/sh
# Makes Vela's packages in build/packages: the .deb of the Linux build (its dependencies
# computed by dpkg-shlibdeps) and, where tools/build-windows.sh has run, the .zip of the
# Windows build (vela.exe and README.txt).
# Usage: tools/package.sh [--check]
#   --check  also installs the .deb with apt, runs the installed vela on a private Xvfb to its
#            first frame (vela-headless) and removes the package again (needs root or sudo).
set -eu
cd "$(dirname "$0")/.."
src=$(pwd)
out=$src/build/packages
check=${1:-}
say() { printf 'package: %s\n' "$*"; }
fail() { printf 'package: FAILED: %s\n' "$*" >&2; exit 1; }

sh tools/install-deps.sh package
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target vela vela-headless vela-cgc
mkdir -p "$out"
(cd build/default && cpack -G DEB -B "$out" >/dev/null) || fail "cpack (DEB)"
deb=$(ls -t "$out"/vela_*.deb | head -n1)
say "built $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends | sed 's/^/    /'
contents=$(dpkg-deb -c "$deb")
for tool in vela vela-cgc; do
  printf '%s\n' "$contents" | grep -q "\./usr/bin/$tool\$" || fail "$deb holds no /usr/bin/$tool"
done

if [ -f build/windows-i686/bin/vela.exe ]; then
  (cd build/windows-i686 && cpack -G ZIP -B "$out" >/dev/null) || fail "cpack (ZIP)"
  zip=$(ls -t "$out"/vela-*-windows-i686.zip | head -n1)
  files=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
  [ "$files" = "README.txt vela-cgc.exe vela.exe " ] || fail "$zip holds '$files', not README.txt, vela-cgc.exe and vela.exe"
  say "built $zip: $files"
else
  say "no Windows build (tools/build-windows.sh); no .zip"
fi

[ "$check" = "--check" ] || exit 0
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
if dpkg-query -W -f='${Status}' vela 2>/dev/null | grep -q "install ok installed"; then
  fail "a vela package is installed already; remove it first"
fi
say "installing $deb with apt"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get install"
installed=$(command -v vela || true)
[ "$installed" = /usr/bin/vela ] || { $SUDO apt-get remove -y -qq vela >/dev/null; fail "vela is not on PATH"; }
run=$(mktemp -d)
status=0
# The installed program, in a folder of its own (its debug copies go to drive_d/ there).
(cd "$run" && "$src/build/default/bin/vela-headless" /usr/bin/vela "$run/first-frame.png" >"$run/trace" 2>&1) ||
  status=$?
# The installed compiler on a one-line program.
printf 'float4 main(float4 c : COLOR0) : COLOR { return c; }\n' | /usr/bin/vela-cgc -profile arbfp1 - >"$run/cgc.out" 2>&1 &&
  grep -q '^MOV result.color' "$run/cgc.out" && cgc=ok || cgc=failed
say "installed vela: $(grep -c . "$run/trace") trace lines, first frame $(wc -c <"$run/first-frame.png" 2>/dev/null || echo 0) bytes, status $status"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vela >/dev/null || fail "apt-get remove"
[ ! -e /usr/bin/vela ] || fail "/usr/bin/vela is still there after removal"
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
rm -rf "$run"
say "ok: installed, ran to its first frame, removed"
