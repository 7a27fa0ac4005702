# Cross build of the 32-bit Windows program with MinGW-w64; ctest runs its tests under Wine.
set(NORVALE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Floating point on SSE2, not the x87 unit: the shipped program then rounds
# every size, clock and capacity exactly as the 64-bit and native builds do
# (x87 keeps 80-bit intermediates). Every Windows version we support has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
