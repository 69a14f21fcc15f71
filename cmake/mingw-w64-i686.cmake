# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686,
# binutils-mingw-w64-i686). Used by the `windows-i686` preset.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELA_MINGW_TRIPLET i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(VELA_RC_TARGET pe-i386)
# SSE arithmetic: x87's excess precision would skip the single-precision rounding steps
# that the frame's projection is computed with.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
