# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686,
# binutils-mingw-w64-i686). Used by the `windows-i686` preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VELA_MINGW_TRIPLET i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(_prefix ${VELA_MINGW_TRIPLET})

find_program(CMAKE_C_COMPILER NAMES ${_prefix}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_prefix}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_prefix}-windres REQUIRED)
find_program(CMAKE_AR NAMES ${_prefix}-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES ${_prefix}-ranlib REQUIRED)
find_program(CMAKE_OBJDUMP NAMES ${_prefix}-objdump)

# Headers and libraries come from the target sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# vela.exe, cg.dll and cgGL.dll must start on a plain Windows machine: link libgcc,
# libstdc++ (and winpthread, with the posix thread model) into each instead of depending
# on the mingw runtime DLLs. Console subsystem is the default.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -mconsole")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# windres reads the .rc with the C preprocessor; keep it the target's one.
set(CMAKE_RC_FLAGS_INIT "--target=pe-i386")

# SSE arithmetic: x87's excess precision would skip the single-precision rounding steps
# that the frame's projection is computed with.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
