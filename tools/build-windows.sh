#!/bin/sh
# Cross-builds vela.exe for 32-bit Windows with mingw-w64 and checks the result.
# Usage: tools/build-windows.sh        (JOBS=n to change the parallel build, default 2)
# Output: build/windows-i686/bin/vela.exe. Exits non-zero, naming the step, on any failure.
# Needs the packages of `tools/install-deps.sh windows`.
set -u
cd "$(dirname "$0")/.." || exit 1
src=$(pwd)
build=$src/build/windows-i686
exe=$build/bin/vela.exe
checker=$build/host/check-pe
jobs=${JOBS:-2}
host_cxx=${HOST_CXX:-c++}

step() { printf 'build-windows: %s\n' "$1"; current=$1; }
fail() {
    printf 'build-windows: FAILED at step "%s"%s\n' "$current" "${1:+: $1}" >&2
    exit 1
}

step "check tools"
for tool in cmake i686-w64-mingw32-g++ i686-w64-mingw32-windres file "$host_cxx"; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool not found (run tools/install-deps.sh windows)"
done

step "configure (cmake --preset windows-i686)"
# Warnings fail the build here, so the Windows build stays -Wall -Wextra clean.
cmake --preset windows-i686 -DCMAKE_COMPILE_WARNING_AS_ERROR=ON || fail

step "build (cmake --build --preset windows-i686 -j$jobs)"
cmake --build --preset windows-i686 -j"$jobs" || fail
[ -f "$exe" ] || fail "$exe was not produced"

step "build the checker (tools/check-pe.cpp, for the host)"
mkdir -p "$(dirname "$checker")" || fail
if [ ! -x "$checker" ] || [ "$src/tools/check-pe.cpp" -nt "$checker" ]; then
    "$host_cxx" -std=c++20 -O2 -Wall -Wextra -Werror -o "$checker" "$src/tools/check-pe.cpp" || fail
fi

step "file type of vela.exe"
kind=$(file -b "$exe") || fail
printf '     %s\n' "$kind"
case $kind in
    "PE32 executable (console) Intel 80386"*) ;;
    *) fail "expected a PE32 console executable for Intel 80386" ;;
esac

step "check vela.exe (subsystem, imports, resources 1001, 2001, 1002)"
"$checker" "$exe" || fail "see the FAIL lines above"

printf 'build-windows: ok: %s\n' "$exe"
