# The Debian package consulta-veska, made by CPack's DEB generator (`scripts/package`):
# the man pages, the AppStream metainfo, the documents and examples, and the package's
# control data. The program's own install rules (binaries, library, icons, desktop entry)
# stay with their targets.

# Documents go to /usr/share/doc/<package>, as Debian expects.
set(VESKA_PACKAGE_NAME consulta-veska)
set(VESKA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VESKA_PACKAGE_NAME})
# The project's web page: the package's Homepage, and where the AppStream screenshots
# (the files of docs/screenshots) are published.
set(VESKA_WEB_URL "https://www.veska.com.br/consulta-veska" CACHE STRING
    "Web page of the program; the AppStream screenshots are under <url>/screenshots/")
set(VESKA_APPSTREAM_ID br.com.veska.consulta_veska)
set(VESKA_MAINTAINER "Veska Informática <suporte@veska.com.br>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")

# Man pages: scdoc source in docs/man, turned into roff and compressed as Debian ships them.
find_program(SCDOC scdoc)
find_program(GZIP gzip REQUIRED)
set(veska_man_pages
    consulta_veska.1 consulta-veska-service.1 veska-passwd.1 terminal-sim.1 veska-demo-catalogue.1
    termserver.conf.5 veska-aliases.conf.5 balanca.conf.5 veska-report.1 gerencia.conf.5)
if(SCDOC)
    set(veska_man_outputs)
    foreach(page IN LISTS veska_man_pages)
        string(REGEX REPLACE "^.*\\.([1-9])$" "\\1" section ${page})
        set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd)
        set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND sh -c "'${SCDOC}' < '${source}' | '${GZIP}' -9n > '${output}'"
            DEPENDS ${source}
            COMMENT "Man page ${page}"
            VERBATIM)
        list(APPEND veska_man_outputs ${output})
        install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${veska_man_outputs})
else()
    message(STATUS "scdoc not found: no man pages (the Debian package needs them)")
endif()

# The changelog, signed by the maintainer and compressed as Debian ships it.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
    ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
set(veska_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${veska_changelog}
    COMMAND sh -c "'${GZIP}' -9n < '${PROJECT_BINARY_DIR}/packaging/changelog' > '${veska_changelog}'"
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${veska_changelog})

configure_file(${PROJECT_SOURCE_DIR}/packaging/consulta_veska.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/packaging/${VESKA_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VESKA_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${veska_changelog}
    ${PROJECT_SOURCE_DIR}/README.md
    ${PROJECT_SOURCE_DIR}/docs/install.md
    ${PROJECT_SOURCE_DIR}/docs/connection-profiles.md
    ${PROJECT_SOURCE_DIR}/docs/terminal-protocol.md
    ${PROJECT_SOURCE_DIR}/docs/web-console.md
    ${PROJECT_SOURCE_DIR}/docs/reports.md
    DESTINATION ${VESKA_DOC_DIR})
# The lintian warnings that stay, each with its reason (also in docs/packaging.md).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${VESKA_PACKAGE_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/consulta_veska-autostart.desktop
    ${PROJECT_SOURCE_DIR}/packaging/examples/termserver.conf
    ${PROJECT_SOURCE_DIR}/packaging/examples/veska-aliases.conf
    DESTINATION ${VESKA_DOC_DIR}/examples)

# The service's unit, not enabled on installation; the maintainer scripts make its user and
# working folder (packaging/ldconfig-trigger.cmake puts them in the package).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/consulta-veska.service
    DESTINATION lib/systemd/system)
set(CPACK_VESKA_MAINTAINER_SCRIPTS
    ${PROJECT_SOURCE_DIR}/packaging/maintainer/postinst
    ${PROJECT_SOURCE_DIR}/packaging/maintainer/postrm)

# CPack: one package of every component but Development (the library's header and its
# unversioned .so link, which only a program built against the library would need).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VESKA_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Veska Informática")
set(CPACK_PACKAGE_CONTACT ${VESKA_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "price-check terminal server for a shop's Firebird catalogue")
set(CPACK_PACKAGE_DESCRIPTION
    "Consulta Veska answers a shop's networked barcode price-check terminals: each
scanned code is looked up in the shop's Firebird database (on a server, or a
file opened by the embedded engine) and answered with the article's
description and price, or with a not-found screen.

The operator watches the activity log and the connected terminals, sends
two-line messages to a terminal's display, browses and searches the articles,
and picks wholesale or retail prices. The program lives in the desktop's
notification area and can start with the session.

consulta-veska-service serves the terminals without a desktop, under systemd
(the unit consulta-veska.service, not enabled on installation).

The package also holds the terminal-server library libtermserver.so.1,
terminal-sim (a price-check terminal on the command line, for checking an
installation and for load tests) and veska-demo-catalogue (a demo shop).")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_DEBIAN_PACKAGE_NAME ${VESKA_PACKAGE_NAME})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VESKA_WEB_URL})
# Libraries from the binaries, plus what is only loaded at run time: the embedded
# Firebird engine (the client loads it for a database file), Tahoma for the window
# (from Wine's fonts) and a general font for the message boxes. Qt's xcb and offscreen
# platform plugins ship in libqt6gui6 on Debian 12, which the binaries already need.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "firebird3.0-server-core, fonts-wine, fonts-dejavu-core, adduser")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-server")
# libtermserver.so.1 lies in the public library folder: a shlibs file, and the ldconfig
# trigger in place of CPack's maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/ldconfig-trigger.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
