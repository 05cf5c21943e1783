# The Debian package, built by `cpack -G DEB` in a build tree (scripts/package.sh does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Murel developers")
set(CPACK_PACKAGE_CONTACT "Murel developers <murel@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://murel.example.org/murel/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "diary of daily gambling results with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Murel (ミュレル) records, for every day, the amount collected and the amount
invested, or only the day's balance, in units of 100 yen. Its main window
shows one year as a list of months or of the days of one month, with running
month and year balances, recovery rates, the best day and a graph of the
balance; an analyzer plots each day's recovery rate against the amount
invested.

All days of all years live in one plain text file, Murel1.Dat in the working
directory or the file named on the command line. The user interface is in
Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Murel developers <murel@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The play sessions' database driver is a Qt plugin, which dpkg-shlibdeps does not see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
