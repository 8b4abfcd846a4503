# Debian's hardening (fortify, stack protector, relro and now; PIE is the
# compiler's default) for the native optimised builds, which are the ones the
# .deb is made from. The flags come from dpkg-buildflags, so they follow
# Debian's policy and DEB_BUILD_MAINT_OPTIONS rather than a copy of it.
# Optimisation and debug information stay with the build type.
if(WIN32 OR CMAKE_CROSSCOMPILING OR ZELMO_SANITIZE OR ZELMO_FUZZ
   OR NOT CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    return()  # fortify needs optimisation; the sanitizers bring their own checks
endif()
find_program(ZELMO_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ZELMO_DPKG_BUILDFLAGS)
    message(STATUS "dpkg-buildflags not found: built without Debian's hardening flags")
    return()
endif()
if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
    set(maint_options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
else()
    set(maint_options "hardening=+all")  # +all adds bindnow to the defaults
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${maint_options}
                ${ZELMO_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(O.*|g)$")
    set(ZELMO_DEB_${kind} ${flags})
endforeach()
add_compile_options(${ZELMO_DEB_CPPFLAGS} ${ZELMO_DEB_CXXFLAGS})
add_link_options(${ZELMO_DEB_LDFLAGS})
message(STATUS "Debian build flags: ${ZELMO_DEB_CPPFLAGS} ${ZELMO_DEB_CXXFLAGS} ${ZELMO_DEB_LDFLAGS}")
