# Install rules and the Debian package (cpack -G DEB, see scripts/package.sh).
#
#   bin/                          corvane-admin, brimble-testform
#   <libdir>/                     the runtime layer, the host's interfaces, the host, the data engine
#   <libdir>/corvane/             libcorvane-webbar.so, the web bar's browser view (the host loads it)
#   <libdir>/corvane/addins/      libcorvane-brimble.so and its translation/ folder
#   share/corvane/translations/   the host's own dictionaries, when the build makes them
#   share/applications/           corvane-admin.desktop
#   share/icons/hicolor/32x32/apps/corvane-admin.png
#   share/man/man1/               corvane-admin.1
#
# The installed tree finds itself through RPATHs relative to $ORIGIN, so it
# runs from any prefix and keeps running when the whole tree is moved.

file(RELATIVE_PATH corvane_lib_from_program ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH corvane_lib_from_addins ${CMAKE_INSTALL_FULL_LIBDIR}/corvane/addins
  ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(corvane-admin brimble-testform PROPERTIES
  INSTALL_RPATH "$ORIGIN/${corvane_lib_from_program}")
set_target_properties(platform hostapi host dravo PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(webbarview PROPERTIES INSTALL_RPATH "$ORIGIN/..")
set_target_properties(corvane-brimble PROPERTIES INSTALL_RPATH "$ORIGIN/${corvane_lib_from_addins}")

install(TARGETS corvane-admin brimble-testform RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS platform hostapi host dravo LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS webbarview LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/corvane)
# The add-in is a loadable module in a folder of its own: the host loads every
# library of its add-in folder to look for the registration export.
install(TARGETS corvane-brimble LIBRARY DESTINATION ${CORVANE_INSTALL_ADDINDIR})
# The add-in's dictionaries: translation/CMakeLists.txt.
install(DIRECTORY ${CORVANE_HOST_TRANSLATION_DIR}/ DESTINATION ${CORVANE_INSTALL_HOST_TRANSLATIONDIR}
  OPTIONAL FILES_MATCHING PATTERN "*.qm")

install(FILES ${PROJECT_SOURCE_DIR}/docs/corvane-admin.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/docs/corvane-admin.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
install(FILES ${PROJECT_SOURCE_DIR}/docs/corvane-admin.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: corvane-brimble_<version>_<arch>.deb. dpkg-shlibdeps
# derives Depends from the libraries the programs link (Qt, libzip, libpq);
# what is loaded at run time only (Qt's SQL drivers) is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane-brimble)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Corvane administration tool with the Brimble action pad publisher")
set(CPACK_PACKAGE_DESCRIPTION
  "corvane-admin sets up Corvane databases (SQLite or PostgreSQL) and publishes their action pads: \
the Brimble add-in packs every file the action pads reach into one zip archive and stores it in \
the database.")
set(CPACK_PACKAGE_CONTACT "Corvane Brimble maintainers <corvane-brimble@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own libraries, for dpkg-shlibdeps (it resolves them there).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_SOURCE_IGNORE_FILES "/build.*/;/\\\\.git/")
include(CPack)
