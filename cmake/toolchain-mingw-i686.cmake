# 32-bit Windows with MinGW-w64 (posix thread model): the programs for
# 32-bit Windows, tested under Wine's WoW64 where this machine runs them.
set(ZELMO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --32-bit)
# Lets the 32-bit program see memory above 2 GB on 64-bit Windows.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--large-address-aware")
