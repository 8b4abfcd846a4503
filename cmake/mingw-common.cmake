# What both MinGW-w64 toolchain files share. Expects ZELMO_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${ZELMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELMO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELMO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file to copy onto a share: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 7 is the oldest system the calls used here need.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")

# Hardening as far as Windows has it: the stack protector (on the link line
# too, so that gcc adds libssp, static like the rest), address-space layout
# randomisation and no-execute data; a 64-bit program also gets the full
# address space to randomise in.
string(APPEND CMAKE_CXX_FLAGS_INIT " -fstack-protector-strong")
string(APPEND CMAKE_C_FLAGS_INIT " -fstack-protector-strong")
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -fstack-protector-strong -Wl,--dynamicbase,--nxcompat")
if(ZELMO_MINGW_TRIPLET MATCHES "^x86_64")
    string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--high-entropy-va")
endif()

# The shipped program carries no symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
