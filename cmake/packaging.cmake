# Install rules and the packages: two .debs on Linux (zelmocb-cli and
# zelmocb), a ZIP of the 64-bit programs (and the 32-bit ones in x86\) for
# Windows. `cmake --install BUILD --prefix DIR` lays out the same files the
# packages hold (with DESTDIR for the ones under /etc and /lib).
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
        "windows/README-ja.txt|README-ja.txt|CP932"
        "windows/THIRD-PARTY.txt|THIRD-PARTY.txt|ASCII")
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
    # The workbook library's terms, which a binary must carry, as the script
    # that built the library left them beside it.
    get_filename_component(ZELMO_XLSXWRITER_LICENCE ${ZELMO_XLSXWRITER_DIR}/../License.txt ABSOLUTE)
    add_custom_command(OUTPUT ${ZELMO_PACKAGE_FILES}/libxlsxwriter.txt
        COMMAND ${CMAKE_COMMAND} -DIN=${ZELMO_XLSXWRITER_LICENCE}
            -DOUT=${ZELMO_PACKAGE_FILES}/libxlsxwriter.txt -DENCODING=ASCII
            -P ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
        DEPENDS ${ZELMO_XLSXWRITER_LICENCE} ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake VERBATIM)
    add_custom_target(zelmo_package_licences ALL DEPENDS ${ZELMO_PACKAGE_FILES}/libxlsxwriter.txt)
    install(FILES ${ZELMO_PACKAGE_FILES}/libxlsxwriter.txt DESTINATION licences)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_SYSTEM_NAME windows)
else()
    # Two packages from one build: zelmocb-cli, the command line without Qt,
    # for servers; zelmocb, the desktop program on top of it.
    include(GNUInstallDirs)
    # Each package's description begins with its own summary line.
    unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
    set(ZELMO_CLI_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zelmocb-cli)
    set(ZELMO_DESKTOP_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zelmocb)
    # Fixed places of the system, whatever the prefix: the program reads its
    # settings from /etc/zelmocb, and Debian 12 keeps units in /lib.
    set(ZELMO_ETC_DIR /etc/zelmocb)
    set(ZELMO_UNIT_DIR /lib/systemd/system)

    # The installed programs also lose the compilers' notes, as dh_strip
    # does: only the build tree's keep them.
    function(zelmo_install_program target component)
        install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
                COMPONENT ${component})
        install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                          --remove-section=.note
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\"
                          COMMAND_ERROR_IS_FATAL ANY)"
                COMPONENT ${component})
    endfunction()
    zelmo_install_program(zelmocb-cli cli)
    if(TARGET zelmocb)
        zelmo_install_program(zelmocb desktop)
        install(FILES ${ZELMO_PACKAGING}/linux/zelmocb.desktop
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications COMPONENT desktop)
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
        install(FILES ${ZELMO_PACKAGE_FILES}/zelmocb.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
                COMPONENT desktop)
        install(FILES ${ZELMO_PACKAGE_FILES}/zelmocb.png
                DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/64x64/apps
                COMPONENT desktop)
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
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)

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
                  ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/deploying.md
                  ${PROJECT_SOURCE_DIR}/docs/behaviour.md
            DESTINATION ${ZELMO_CLI_DOC_DIR} COMPONENT cli)
    install(FILES ${ZELMO_PACKAGING}/samples/ZelmoAppl.csv
                  ${ZELMO_PACKAGING}/linux/systemd/zelmocb-record.service
                  ${ZELMO_PACKAGING}/linux/systemd/zelmocb-record.timer
            DESTINATION ${ZELMO_CLI_DOC_DIR}/examples COMPONENT cli)
    install(FILES ${ZELMO_PACKAGING}/linux/copyright ${ZELMO_PACKAGE_FILES}/changelog.gz
            DESTINATION ${ZELMO_DESKTOP_DOC_DIR} COMPONENT desktop)
    # The settings with every line commented out, and the collection's.
    install(FILES ${ZELMO_PACKAGING}/linux/Zelmo.ini ${ZELMO_PACKAGING}/linux/collect.conf
            DESTINATION ${ZELMO_ETC_DIR} COMPONENT cli)
    # Shipped disabled: nothing enables them on installation.
    install(FILES ${ZELMO_PACKAGING}/linux/systemd/zelmocb-collect.service
                  ${ZELMO_PACKAGING}/linux/systemd/zelmocb-collect.timer
            DESTINATION ${ZELMO_UNIT_DIR} COMPONENT cli)
    file(WRITE ${ZELMO_PACKAGE_FILES}/conffiles
         "${ZELMO_ETC_DIR}/Zelmo.ini\n${ZELMO_ETC_DIR}/collect.conf\n")

    set(CPACK_GENERATOR DEB)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL cli)
    if(TARGET zelmocb)
        list(APPEND CPACK_COMPONENTS_ALL desktop)
    endif()
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    # Dependencies come from the libraries the programs link, so a new one
    # needs no edit here.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

    set(CPACK_DEBIAN_CLI_PACKAGE_NAME zelmocb-cli)
    set(CPACK_DEBIAN_CLI_PACKAGE_SECTION admin)
    set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${ZELMO_PACKAGE_FILES}/conffiles)
    set(CPACK_DEBIAN_CLI_DESCRIPTION
        "PC inventory: records, reports and history from the command line\n"
        "Zelmo CB takes the inventory of one PC: the programs of a centrally kept\n"
        "application list found on its drives, the host name, IP address and\n"
        "memory, and four typed facts, filed as one record per host in a shared\n"
        "folder. zelmocb-cli runs the application scan without windows and\n"
        "collects the save folder's records into a table, a JSON or HTML report\n"
        "and an SQLite history whose changes it lists. A systemd timer for a\n"
        "nightly collection is included, disabled.")
    string(JOIN "" CPACK_DEBIAN_CLI_DESCRIPTION ${CPACK_DEBIAN_CLI_DESCRIPTION})

    set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zelmocb)
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION x11)
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "zelmocb-cli (= ${PROJECT_VERSION})")
    # The list's Japanese names and the Japanese list-error message need a
    # font that a fresh system lacks.
    set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic")
    set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
        "PC inventory: the desktop program that files a PC's record\n"
        "Zelmo CB takes the inventory of one PC: it looks for the programs of a\n"
        "centrally kept application list on the PC's drives, shows the host name,\n"
        "IP address and memory, takes four typed facts and files everything as\n"
        "one line in a record file per host in a shared folder. This package\n"
        "holds the desktop program, and zelmocb-cli the command line, the\n"
        "settings and the documentation.")
    string(JOIN "" CPACK_DEBIAN_DESKTOP_DESCRIPTION ${CPACK_DEBIAN_DESKTOP_DESCRIPTION})
endif()

include(CPack)
