# What `cmake --install` puts under the prefix, and the two Debian packages
# that `cpack -G DEB` builds from it: `veldrake`, the desktop program, and
# `veldrake-admin`, the command-line program with the image module, which a
# server without a desktop installs alone.
include(GNUInstallDirs)

install(TARGETS veldrake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT desktop)
install(FILES app/resources/veldrake.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT desktop)
install(FILES app/resources/veldrake.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT desktop)
# The README links its pictures and pages under docs/.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT desktop)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs COMPONENT desktop)

install(TARGETS veldrake-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT admin)
# The programs look for the module in lib/veldrake beside their bin folder
# (TBildEngineLader::StandardPfad), so this is lib/veldrake whatever the
# multiarch library folder is.
install(TARGETS veldrake_bilder LIBRARY DESTINATION lib/veldrake COMPONENT admin)

set(CPACK_PACKAGE_NAME veldrake)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veldrake")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Filter für den Datenaustausch mit externen PCs")
set(CPACK_PACKAGE_CONTACT "Veldrake-Entwicklung <veldrake@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)

set(CPACK_COMPONENTS_ALL desktop admin)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME veldrake)
set(CPACK_DEBIAN_ADMIN_PACKAGE_NAME veldrake-admin)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Verwaltet die Kommunikationsfilter, mit denen die Daten an externe PCs weitergegeben werden: Filterarten aktivieren, Filtereinstellungen anlegen und den Rechnertypen und Rechnern zuordnen.")
set(CPACK_COMPONENT_ADMIN_DESCRIPTION
    "veldrake-admin: wendet die Bildeinstellungen auf die Bilder an, die an externe PCs gehen, erklärt, welche Einstellung einen Rechner bedient, liest Rechner ein und kopiert Datenbestände. Läuft ohne Bildschirm, auch auf einem Server.")
# The preview of the desktop program loads the image module from the
# command-line package: both of one build.
set(CPACK_COMPONENT_DESKTOP_DEPENDS admin)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# The libraries the programs and the module link come from dpkg-shlibdeps.
# Qt loads the SQLite driver as a plugin at run time, which shlibdeps cannot
# see, so its package is named here. The platform plugins (xcb, offscreen)
# come with libqt6gui6, which the desktop program links.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ADMIN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_ADMIN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The PostgreSQL driver plugin, for a store shared by several workstations.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_DEBIAN_ADMIN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)
