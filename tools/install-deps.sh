#!/bin/sh
# Installs what Vela needs to build, run and test on Debian 12.
# Usage: tools/install-deps.sh [run|test|windows|fuzz|all]   (default: all)
# Runs apt-get only for packages that are missing; needs root (or sudo) for that.
set -e
what=${1:-all}

run_pkgs="cmake g++ make pkg-config libx11-dev libxext-dev libxft-dev libfontconfig-dev \
libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-common-dev fonts-dejavu-core fonts-noto-cjk \
xvfb xfonts-base x11-apps imagemagick"
test_pkgs="$run_pkgs libgtest-dev libxtst-dev xauth"
win_pkgs="g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev file"
fuzz_pkgs="clang libclang-rt-14-dev"

case "$what" in
  run) pkgs="$run_pkgs" ;;
  test) pkgs="$test_pkgs" ;;
  windows) pkgs="$win_pkgs" ;;
  fuzz) pkgs="$fuzz_pkgs" ;;
  all) pkgs="$test_pkgs $win_pkgs $fuzz_pkgs" ;;
  *) echo "install-deps: unknown set '$what' (run, test, windows, fuzz, all)" >&2; exit 2 ;;
esac

missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing$missing" >&2
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
