# The body both MinGW-w64 toolchains share: the including file sets
# NORVALE_MINGW_ARCH (i686 or x86_64) and adds what only its target needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${NORVALE_MINGW_ARCH})
set(norvale_triple ${NORVALE_MINGW_ARCH}-w64-mingw32)
# The posix-thread variant: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${norvale_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${norvale_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${norvale_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${norvale_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the Windows programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine)
