# Cross-building for 32-bit Windows with mingw-w64 (scripts/build-windows).
set(CMAKE_SYSTEM_PROCESSOR X86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# SSE2 arithmetic as on x86_64, not the x87 unit's wider intermediates: the same samples.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
