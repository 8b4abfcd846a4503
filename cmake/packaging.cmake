# Install rules and the packages: a .deb on Linux, a ZIP of the 64-bit
# programs (and the 32-bit ones in x86\) for Windows. `cmake --install BUILD
# --prefix DIR` lays out the same files the package holds.
if(ZELMO_SANITIZE OR ZELMO_FUZZ)
    return()  # packages come from plain builds only
endif()
set(ZELMO_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(ZELMO_PACKAGE_FILES ${PROJECT_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${ZELMO_PACKAGE_FILES})

set(CPACK_PACKAGE_NAME zelmocb)
set(CPACK_PACKAGE_VENDOR "")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC inventory: installed applications, host facts, one record per PC")
set(CPACK_PACKAGE_CONTACT "Zelmo CB maintainers <zelmocb@example.com>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    # The 64-bit programs at the top of the ZIP: the folder is what goes on
    # the share. The 32-bit ones, from the 32-bit build's folder, go in x86\
    # with their own Zelmo.ini, since each program reads the one beside it.
    install(TARGETS zelmocb-cli RUNTIME DESTINATION .)
    if(TARGET ZelmoCB)
        install(TARGETS ZelmoCB RUNTIME DESTINATION .)
    endif()
    set(ZELMO_WINDOWS_X86_BUILD "" CACHE PATH
        "The 32-bit build's folder whose programs the 64-bit build's ZIP carries in x86\\")
    if(ZELMO_WINDOWS_X86_BUILD)
        install(PROGRAMS ${ZELMO_WINDOWS_X86_BUILD}/ZelmoCB.exe
                         ${ZELMO_WINDOWS_X86_BUILD}/zelmocb-cli.exe DESTINATION x86)
        install(FILES ${ZELMO_PACKAGE_FILES}/Zelmo.ini DESTINATION x86)
    endif()
    # The text files as Windows reads them: CR LF, and the list and the
    # Japanese guide in code page 932.
    set(ZELMO_WINDOWS_TEXTS
        "samples/Zelmo.ini|Zelmo.ini|ASCII"
        "samples/ZelmoAppl.csv|ZelmoAppl.csv|CP932"
        "windows/README-en.txt|README-en.txt|ASCII"
        "windows/README-ja.txt|README-ja.txt|CP932")
    set(ZELMO_WINDOWS_TEXT_OUTPUTS)
    foreach(entry IN LISTS ZELMO_WINDOWS_TEXTS)
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 source)
        list(GET entry 1 name)
        list(GET entry 2 encoding)
        add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/${name}
            COMMAND ${CMAKE_COMMAND} -DIN=${ZELMO_PACKAGING}/${source}
                -DOUT=${ZELMO_PACKAGE_FILES}/${name} -DENCODING=${encoding}
                -P ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
            DEPENDS ${ZELMO_PACKAGING}/${source} ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
            VERBATIM)
        list(APPEND ZELMO_WINDOWS_TEXT_OUTPUTS ${ZELMO_PACKAGE_FILES}/${name})
    endforeach()
    add_custom_target(zelmo_package_files ALL DEPENDS ${ZELMO_WINDOWS_TEXT_OUTPUTS})
    install(FILES ${ZELMO_WINDOWS_TEXT_OUTPUTS} DESTINATION .)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_SYSTEM_NAME windows)
else()
    include(GNUInstallDirs)
    set(ZELMO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zelmocb)
    install(TARGETS zelmocb-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET zelmocb)
        install(TARGETS zelmocb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        install(FILES ${ZELMO_PACKAGING}/linux/zelmocb.desktop
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
        # The icon is the main window's picture on a square, transparent page.
        find_program(ZELMO_CONVERT convert REQUIRED)
        add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/zelmocb.png
            COMMAND ${ZELMO_CONVERT} ${PROJECT_SOURCE_DIR}/app/resources/picture.bmp
                -resize 64x64 -background none -gravity center -extent 64x64
                -strip PNG32:${ZELMO_PACKAGE_FILES}/zelmocb.png
            DEPENDS ${PROJECT_SOURCE_DIR}/app/resources/picture.bmp VERBATIM)
        add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/zelmocb.1.gz
            COMMAND gzip -9nc ${ZELMO_PACKAGING}/linux/zelmocb.1 > ${ZELMO_PACKAGE_FILES}/zelmocb.1.gz
            DEPENDS ${ZELMO_PACKAGING}/linux/zelmocb.1)
        add_custom_target(zelmo_icon ALL DEPENDS ${ZELMO_PACKAGE_FILES}/zelmocb.png
                                                 ${ZELMO_PACKAGE_FILES}/zelmocb.1.gz)
        install(FILES ${ZELMO_PACKAGE_FILES}/zelmocb.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        install(FILES ${ZELMO_PACKAGE_FILES}/zelmocb.png
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/64x64/apps)
    endif()

    # The manual page, from the program's own help, so it cannot drift.
    find_program(ZELMO_HELP2MAN help2man REQUIRED)
    add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/zelmocb-cli.1.gz
        COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:zelmocb-cli> -DHELP2MAN=${ZELMO_HELP2MAN}
            -DOUT=${ZELMO_PACKAGE_FILES}/zelmocb-cli.1
            -P ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake
        COMMAND gzip -9nf ${ZELMO_PACKAGE_FILES}/zelmocb-cli.1
        DEPENDS zelmocb-cli ${PROJECT_SOURCE_DIR}/cmake/manual_page.cmake VERBATIM)
    add_custom_target(zelmo_manual_page ALL DEPENDS ${ZELMO_PACKAGE_FILES}/zelmocb-cli.1.gz)
    install(FILES ${ZELMO_PACKAGE_FILES}/zelmocb-cli.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    # Debian's changelog for the package; SOURCE_DATE_EPOCH fixes its date.
    string(TIMESTAMP ZELMO_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    file(WRITE ${ZELMO_PACKAGE_FILES}/changelog
        "zelmocb (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
        "  * Release ${PROJECT_VERSION}.\n\n"
        " -- ${CPACK_PACKAGE_CONTACT}  ${ZELMO_CHANGELOG_DATE}\n")
    add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/changelog.gz
        COMMAND gzip -9nkf ${ZELMO_PACKAGE_FILES}/changelog
        DEPENDS ${ZELMO_PACKAGE_FILES}/changelog VERBATIM)
    add_custom_target(zelmo_changelog ALL DEPENDS ${ZELMO_PACKAGE_FILES}/changelog.gz)

    install(FILES ${ZELMO_PACKAGING}/linux/copyright ${ZELMO_PACKAGE_FILES}/changelog.gz
                  ${ZELMO_PACKAGING}/linux/Zelmo.ini ${ZELMO_PACKAGING}/samples/ZelmoAppl.csv
                  ${PROJECT_SOURCE_DIR}/docs/deploying.md ${PROJECT_SOURCE_DIR}/docs/behaviour.md
            DESTINATION ${ZELMO_DOC_DIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SECTION admin)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_PACKAGE_DESCRIPTION
        "Takes the inventory of one PC: looks for the programs of a centrally kept\n"
        "application list on the PC's drives, shows the host name, IP address and\n"
        "memory, takes four typed facts and files everything as one line in a\n"
        "record file per host in a shared folder. zelmocb is the desktop program,\n"
        "zelmocb-cli runs the same collection without windows.")
    string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
endif()

include(CPack)
