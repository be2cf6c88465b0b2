# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64). The posix thread
# model: GoogleTest (the cross-built tests) needs std::mutex; a static link imports nothing more.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVANE_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Prefix of the MinGW-w64 tools")
set(CMAKE_C_COMPILER ${QUORVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVANE_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
