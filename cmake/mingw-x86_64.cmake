# The same program built for 64-bit Windows: it runs under Wine on machines
# whose kernel cannot start 32-bit programs, so every test still runs there.
set(NORVALE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
