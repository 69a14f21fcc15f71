#!/bin/sh
# Installs what Vela needs to build, run and test on Debian 12.
# Usage: tools/install-deps.sh [run|test|windows|package|fuzz|all]   (default: all)
# Runs apt-get only for packages that are missing; needs root (or sudo) for that.
set -e
what=${1:-all}

run_pkgs="cmake g++ make pkg-config libx11-dev libxext-dev libxft-dev libfontconfig-dev \
libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-common-dev fonts-dejavu-core fonts-noto-cjk \
xvfb xfonts-base x11-apps imagemagick"
test_pkgs="$run_pkgs libgtest-dev libxtst-dev libxres-dev xauth"
win_pkgs="g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev \
g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev file"
# wine runs vela.exe in the tests: 32-bit, with the 32-bit GL and Composite (for GL in a
# window with child controls) libraries; the 64-bit build with wine64 where the kernel
# cannot run 32-bit code.
wine_pkgs="locales wine wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libxcomposite1:i386 \
wine64 libxcomposite1"
pkg_pkgs="dpkg-dev"
fuzz_pkgs="clang libclang-rt-14-dev"

case "$what" in
  run) pkgs="$run_pkgs" ;;
  test) pkgs="$test_pkgs" ;;
  windows) pkgs="$win_pkgs $wine_pkgs" ;;
  package) pkgs="$pkg_pkgs" ;;
  fuzz) pkgs="$fuzz_pkgs" ;;
  all) pkgs="$test_pkgs $win_pkgs $wine_pkgs $pkg_pkgs $fuzz_pkgs" ;;
  *) echo "install-deps: unknown set '$what' (run, test, windows, package, fuzz, all)" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
# The Windows tests run vela.exe as on a Japanese Windows (code page 932): wine takes its
# code page from this locale.
japanese_locale() {
  case "$what" in windows|all) ;; *) return 0 ;; esac
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\{0,1\}8' || $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}

missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -z "$missing" ]; then japanese_locale; exit 0; fi

echo "install-deps: installing$missing" >&2
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
  *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
esac
# A mirror in the middle of a sync fails an index now and then: try again, and at last go
# on with the indexes that did come (the install says whether they hold what is missing).
tries=0
until $SUDO apt-get update -qq; do
  tries=$((tries + 1))
  if [ "$tries" -ge 3 ]; then
    echo "install-deps: apt-get update failed $tries times; installing from the indexes it has" >&2
    break
  fi
  echo "install-deps: apt-get update failed; again in $((tries * 20)) s" >&2
  sleep $((tries * 20))
done
install_missing() { $SUDO apt-get install -y -qq --no-install-recommends "$@" $missing >/dev/null; }
# With one architecture's update index missing, the resolver wants the updated version of a
# library for one architecture and can't have it for the other: the point release alone
# still holds a matching pair.
if ! install_missing; then
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "install-deps: installing from $release alone, without its updates" >&2
  install_missing -t "$release"
fi
japanese_locale
