#!/bin/sh
# Cross-builds vela.exe for 32-bit Windows with mingw-w64 and checks the result.
# Usage: tools/build-windows.sh        (JOBS=n to change the parallel build, default 2)
# Output: build/windows-i686/bin/vela.exe beside the shader runtime's cg.dll and cgGL.dll
# (import libraries cg.lib and cgGL.lib in build/windows-i686/cg/runtime). Exits non-zero,
# naming the step, on any failure.
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
for tool in cmake i686-w64-mingw32-g++ i686-w64-mingw32-windres i686-w64-mingw32-objdump file "$host_cxx"; do
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

step "check cg.dll and cgGL.dll (PE32 DLLs, import libraries, imports, exports)"
for dll in cg cgGL; do
    file=$build/bin/$dll.dll
    [ -f "$file" ] || fail "$file was not produced"
    [ -f "$build/cg/runtime/$dll.lib" ] || fail "$build/cg/runtime/$dll.lib was not produced"
    case $(file -b "$file") in
        "PE32 executable (DLL)"*"Intel 80386"*) ;;
        *) fail "$dll.dll is not a PE32 DLL for Intel 80386" ;;
    esac
    dump=$(i686-w64-mingw32-objdump -p "$file") || fail
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
