# What `cmake --install` puts under the prefix, and the Debian package that
# `cpack -G DEB` builds from it.
include(GNUInstallDirs)

install(TARGETS veldrake RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET veldrake-admin)
    install(TARGETS veldrake-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES app/resources/veldrake.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/resources/veldrake.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The README links its pictures and pages under docs/.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_PACKAGE_NAME veldrake)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Veldrake")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Filter für den Datenaustausch mit externen PCs")
set(CPACK_PACKAGE_DESCRIPTION
    "Verwaltet die Kommunikationsfilter, mit denen die Daten an externe PCs weitergegeben werden: Filterarten aktivieren, Filtereinstellungen anlegen und den Rechnertypen und Rechnern zuordnen.")
set(CPACK_PACKAGE_CONTACT "Veldrake-Entwicklung <veldrake@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the programs link come from dpkg-shlibdeps. Qt loads the
# SQLite driver as a plugin at run time, which shlibdeps cannot see, so its
# package is named here. The platform plugins (xcb, offscreen) come with
# libqt6gui6, which the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The PostgreSQL driver plugin, for a store shared by several workstations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
include(CPack)
