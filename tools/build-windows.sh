#!/bin/sh
# Cross-builds vela.exe for Windows with mingw-w64 and checks the result.
# Usage: tools/build-windows.sh [i686|x86_64]   (default i686, 32-bit; JOBS=n to change the
#        parallel build, default 2)
# Output: build/windows-ARCH/bin/vela.exe beside the shader runtime's cg.dll and cgGL.dll
# (import libraries cg.lib and cgGL.lib in build/windows-ARCH/cg/runtime). Exits non-zero,
# naming the step, on any failure.
# Needs the packages of `tools/install-deps.sh windows`.
set -u
cd "$(dirname "$0")/.." || exit 1
src=$(pwd)
arch=${1:-i686}
case $arch in
    i686) triplet=i686-w64-mingw32 pe="PE32" machine="Intel 80386" ;;
    x86_64) triplet=x86_64-w64-mingw32 pe="PE32+" machine="x86-64" ;;
    *) echo "usage: tools/build-windows.sh [i686|x86_64]" >&2; exit 2 ;;
esac
preset=windows-$arch
build=$src/build/$preset
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
for tool in cmake $triplet-g++ $triplet-windres $triplet-objdump file "$host_cxx"; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool not found (run tools/install-deps.sh windows)"
done

step "configure (cmake --preset $preset)"
# Warnings fail the build here, so the Windows build stays -Wall -Wextra clean.
cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON || fail

step "build (cmake --build --preset $preset -j$jobs)"
cmake --build --preset "$preset" -j"$jobs" || fail
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
    "$pe executable (console) $machine"*) ;;
    *) fail "expected a $pe console executable for $machine" ;;
esac

step "check vela.exe (subsystem, imports, resources 1001, 2001, 1002)"
"$checker" "$exe" || fail "see the FAIL lines above"

step "check cg.dll and cgGL.dll ($pe DLLs, import libraries, imports, exports)"
for dll in cg cgGL; do
    file=$build/bin/$dll.dll
    [ -f "$file" ] || fail "$file was not produced"
    [ -f "$build/cg/runtime/$dll.lib" ] || fail "$build/cg/runtime/$dll.lib was not produced"
    case $(file -b "$file") in
        "$pe executable (DLL)"*"$machine"*) ;;
        *) fail "$dll.dll is not a $pe DLL for $machine" ;;
    esac
    dump=$($triplet-objdump -p "$file") || fail
    imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
    printf '     %s.dll imports: %s\n' "$dll" "$imports"
    case $imports in *libgcc* | *libstdc++* | *libwinpthread*) fail "$dll.dll needs a mingw runtime DLL" ;; esac
    # The export table lists "[ordinal] name" rows; every name must be the API's.
    exports=$(printf '%s\n' "$dump" | sed -n '/Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p')
    [ -n "$exports" ] || fail "$dll.dll exports nothing"
    others=$(printf '%s\n' "$exports" | grep -v '^cg' | tr '\n' ' ')
    [ -z "$others" ] || fail "$dll.dll exports more than the API: $others"
    printf '     %s.dll exports %d functions\n' "$dll" "$(printf '%s\n' "$exports" | wc -l)"
done

printf 'build-windows: ok: %s\n' "$exe"
