# Installation and the Debian package. The layout is fixed (bin/ and share/ under the prefix) because the
# programs find their bundled histories at ../share/korvel relative to their own folder.

# Installing and packaging need only the two programs (scripts/package builds them first), not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS korvel korvel-cli RUNTIME DESTINATION bin)
install(FILES ${KORVEL_BUNDLED_HISTORIES} DESTINATION share/korvel)
install(FILES ${PROJECT_SOURCE_DIR}/data/korvel.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/korvel.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/korvel)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION share/doc/korvel/docs FILES_MATCHING PATTERN "*.png")

# The daily update: a systemd user service and timer in share/systemd/user, where the user manager looks
# under /usr, /usr/local and ~/.local alike. The service names korvel-cli by the prefix it is installed
# under (the package's /usr, or the one given to cmake --install), so it is written at install time.
install(FILES ${PROJECT_SOURCE_DIR}/data/korvel-update.timer DESTINATION share/systemd/user)
install(CODE "
    set(KORVEL_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
    set(KORVEL_DOC \"\${CMAKE_INSTALL_PREFIX}/share/doc/korvel\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/korvel-update.service.in\"
        \"${PROJECT_BINARY_DIR}/install-units/korvel-update.service\" @ONLY)
    file(INSTALL \"${PROJECT_BINARY_DIR}/install-units/korvel-update.service\"
        DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/systemd/user\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "福彩3D / 体彩排列3 history and formula tool (Korvel 3D 公式分析)")
set(CPACK_PACKAGE_DESCRIPTION
    "Keeps the draw history of the three-digit daily lottery with its derived parameters, verifies\nkill/keep formulas against it, tallies them for the coming draw and searches for formulas. Window\nprogram korvel and command line korvel-cli; ships the public draw histories of both games.")
set(CPACK_PACKAGE_CONTACT "Korvel developers <korvel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Libraries (Qt 6, SQLite, gumbo) are found by dpkg-shlibdeps from the binaries (Debian ships SQLiteCpp as a
# static library only, so it is inside them); the platform
# plugin comes with libqt6gui6; the Chinese font is loaded at run time, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
