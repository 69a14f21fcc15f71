# The mingw-w64 cross build shared by cmake/mingw-w64-i686.cmake and
# cmake/mingw-w64-x86_64.cmake, which set VELA_MINGW_TRIPLET and VELA_RC_TARGET first.
set(CMAKE_SYSTEM_NAME Windows)
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
set(CMAKE_RC_FLAGS_INIT "--target=${VELA_RC_TARGET}")
