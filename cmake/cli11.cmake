# CLI11, the command-line parser of zelmocb-cli: header-only, so the Windows
# cross builds take the build machine's copy, found in a folder of its own
# (the host's whole include folder would hide the target's headers).
if(CMAKE_CROSSCOMPILING)
    find_package(CLI11 2 CONFIG QUIET)
endif()
if(CMAKE_CROSSCOMPILING AND NOT CLI11_FOUND)
    find_path(ZELMO_HOST_CLI11_DIR CLI/CLI.hpp PATHS /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-include)
    file(CREATE_LINK ${ZELMO_HOST_CLI11_DIR}/CLI ${CMAKE_BINARY_DIR}/host-include/CLI SYMBOLIC)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/host-include)
else()
    find_package(CLI11 2 CONFIG REQUIRED)
endif()
