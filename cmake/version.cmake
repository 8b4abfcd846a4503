# The one version, from project(), for the programs, their Windows version
# resources and the packages.
configure_file(${CMAKE_CURRENT_LIST_DIR}/zelmo_version.h.in
               ${CMAKE_BINARY_DIR}/generated/zelmo_version.h @ONLY)
add_library(zelmo_version INTERFACE)
target_include_directories(zelmo_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
# What a Windows version resource is rebuilt for.
set(ZELMO_VERSION_RESOURCE_DEPENDS
    "${CMAKE_BINARY_DIR}/generated/zelmo_version.h;${CMAKE_CURRENT_LIST_DIR}/../platform/win32/version_info.rc")
