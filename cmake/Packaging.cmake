# Installing on Linux, and the Debian package built from the same rules.
#
#   cmake --install build --prefix /usr/local      # or a staging folder
#   make package                                    # build/quillmar_<version>_<arch>.deb
#
# An installed copy finds its program folder (/usr/bin) read-only, so it keeps
# its settings under ~/.config/quillmar and its logs under
# ~/.local/state/quillmar (see src/core/Paths.cpp); nothing here is writable
# at run time.
include(GNUInstallDirs)

set(QUILLMAR_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS quillmar-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillmar)
    install(TARGETS quillmar RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${QUILLMAR_PACKAGING_DIR}/quillmar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${QUILLMAR_PACKAGING_DIR}/quillmar.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${QUILLMAR_PACKAGING_DIR}/io.github.quillmar.Quillmar.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# Debian installs manual pages compressed; -n keeps the time stamp out so the
# package builds the same every time.
find_program(QUILLMAR_GZIP gzip)
if(QUILLMAR_GZIP)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/quillmar-cli.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${QUILLMAR_GZIP} -9n -c ${QUILLMAR_PACKAGING_DIR}/quillmar-cli.1 > ${CMAKE_BINARY_DIR}/man/quillmar-cli.1.gz
        DEPENDS ${QUILLMAR_PACKAGING_DIR}/quillmar-cli.1
        VERBATIM)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/quillmar.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${QUILLMAR_GZIP} -9n -c ${QUILLMAR_PACKAGING_DIR}/quillmar.1 > ${CMAKE_BINARY_DIR}/man/quillmar.1.gz
        DEPENDS ${QUILLMAR_PACKAGING_DIR}/quillmar.1
        VERBATIM)
    add_custom_target(man-pages ALL
        DEPENDS ${CMAKE_BINARY_DIR}/man/quillmar-cli.1.gz ${CMAKE_BINARY_DIR}/man/quillmar.1.gz)
    install(FILES ${CMAKE_BINARY_DIR}/man/quillmar-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    if(TARGET quillmar)
        install(FILES ${CMAKE_BINARY_DIR}/man/quillmar.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
else()
    install(FILES ${QUILLMAR_PACKAGING_DIR}/quillmar-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    if(TARGET quillmar)
        install(FILES ${QUILLMAR_PACKAGING_DIR}/quillmar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endif()
# The user guide, where the start-up message without a drive points.
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmar)
# Access to a Greaseweazle for the person at the desktop. udev reads rules
# from /usr/lib/udev/rules.d whatever the prefix, so the rule goes beside
# the prefix's lib only for /usr itself and into the staging tree otherwise.
install(FILES ${QUILLMAR_PACKAGING_DIR}/70-quillmar-greaseweazle.rules DESTINATION lib/udev/rules.d)
# Debian wants the licence as /usr/share/doc/<package>/copyright, in its
# machine-readable form; it is made from LICENSE so the two cannot disagree.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE QUILLMAR_LICENSE_TEXT)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${QUILLMAR_LICENSE_TEXT}")
set(QUILLMAR_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n\n" "\n.\n" QUILLMAR_LICENSE_BODY "${QUILLMAR_LICENSE_TEXT}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" QUILLMAR_LICENSE_BODY "${QUILLMAR_LICENSE_BODY}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: quillmar\n\n"
     "Files: *\n"
     "Copyright: ${QUILLMAR_COPYRIGHT_HOLDER}\n"
     "License: MIT\n ${QUILLMAR_LICENSE_BODY}")
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmar)
install(FILES ${QUILLMAR_PACKAGING_DIR}/quillmar-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillmar-cli)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillmar developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "browser and exporter for Opus Discovery floppy disks of the ZX Spectrum")
# Lines of the long description stay below 80 columns, as Debian wants.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quillmar opens disk images of the Opus Discovery floppy-disk interface for"
    "the ZX Spectrum, lists their catalogue, shows files as BASIC listings,"
    "SCREEN$ pictures or byte grids, and exports them as tape files, text"
    "listings, raw screens, bitmaps and raw bytes. It reads physical Opus disks"
    "in a PC floppy drive."
    "The package holds the desktop program quillmar and the command-line tool"
    "quillmar-cli.")
set(QUILLMAR_PACKAGE_MAINTAINER "The Quillmar developers" CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLMAR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps (from dpkg-dev) works out Depends from the libraries the
# programs are linked with, so the list cannot drift from the build.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(quillmar_runtime_depends "")
if(TARGET quillmar)
    # The program's icons are SVG files drawn by Qt's SVG icon engine, a plugin
    # loaded at run time that no linked library pulls in.
    list(APPEND quillmar_runtime_depends "libqt6svg6")
endif()
if(QUILLMAR_ZIP)
    # Loaded when the first zip archive is opened, so no link shows it either.
    list(APPEND quillmar_runtime_depends "libzip4 | libzip5")
endif()
list(JOIN quillmar_runtime_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Debug information stays in the build tree; the package gets lean programs.
set(CPACK_STRIP_FILES ON)
include(CPack)

if(QUILLMAR_TESTS AND NOT QUILLMAR_SANITIZE)
    # Installs into a staging folder and runs what was installed; checks the
    # .deb as well (building it when it is not there yet).
    add_test(NAME install_and_package
             COMMAND ${CMAKE_SOURCE_DIR}/tests/packaging/install_test.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_BINARY_DIR}/samples/demo.opu)
    set_tests_properties(install_and_package PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endif()
