# 32-bit Windows with MinGW-w64 (posix thread model): the shipped program.
set(ZELMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Lets the 32-bit program see memory above 2 GB on 64-bit Windows.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--large-address-aware")
