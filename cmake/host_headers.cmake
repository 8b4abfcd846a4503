# Header-only packages (nlohmann-json, CLI11). A native build finds them as
# packages; the Windows cross builds, whose sysroot has none, take the build
# machine's headers, each through a folder of its own under the build folder:
# the host's whole include folder would hide the target's headers.
#
#   zelmo_header_only_package(PACKAGE VERSION TARGET HEADER HINT)
#
# PACKAGE VERSION: what find_package looks for; TARGET: the imported target
# it defines; HEADER: the relative path that marks the build machine's copy
# (its first component is the folder linked); HINT: what to install when it
# is lacking.
function(zelmo_header_only_package package version target header hint)
    find_package(${package} ${version} CONFIG QUIET)
    if(TARGET ${target})
        return()
    endif()
    if(NOT CMAKE_CROSSCOMPILING)
        message(FATAL_ERROR "${package} ${version} not found: install ${hint} or set "
                            "${package}_DIR to the folder of its CMake package files")
    endif()
    string(TOUPPER ${package} upper)
    set(dir_var ZELMO_HOST_${upper}_DIR)
    find_path(${dir_var} ${header}
              PATHS ${CMAKE_SYSTEM_INCLUDE_PATH} /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
              DOC "The build machine's folder that holds ${header}")
    if(NOT ${dir_var})
        message(FATAL_ERROR "${header} not found on the build machine: install ${hint} "
                            "or set ${dir_var} to the folder that holds it")
    endif()
    string(REGEX MATCH "^[^/]+" top ${header})
    set(borrowed ${CMAKE_BINARY_DIR}/host-include/${package})
    file(MAKE_DIRECTORY ${borrowed})
    file(CREATE_LINK ${${dir_var}}/${top} ${borrowed}/${top} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} SYSTEM INTERFACE ${borrowed})
    message(STATUS "${package}: the build machine's headers in ${${dir_var}}")
endfunction()
