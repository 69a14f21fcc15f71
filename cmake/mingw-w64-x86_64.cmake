# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64,
# binutils-mingw-w64-x86-64). Used by the `windows-x86_64` preset: the shader runtime's
# DLLs for 64-bit programs, and vela.exe where wine cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELA_MINGW_TRIPLET x86_64-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(VELA_RC_TARGET pe-x86-64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
