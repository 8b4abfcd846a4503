# 64-bit Windows with MinGW-w64 (posix thread model); runs here under Wine.
set(ZELMO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
