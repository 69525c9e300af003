# The Debian package: `cpack -G DEB` in the build folder makes korvo2_<version>-1_<arch>.deb from
# what `cmake --install` puts under the prefix. The shared libraries the programs link are found
# by dpkg-shlibdeps (package dpkg-dev) and declared as dependencies.

set(CPACK_PACKAGE_NAME korvo2)
set(CPACK_PACKAGE_VENDOR "Korvo-2-Projektteam")
set(CPACK_PACKAGE_CONTACT "Korvo-2-Projektteam <korvo2@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "HTML photo album generator (Ein HTML-Bilderalbengenerator)")
# One string: a list of several would be joined with semicolons.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Korvo 2 makes HTML photo albums from JPEG, BMP, HEIC, AVIF, PNG and\n"
    "WebP pictures. Drop the photos into a list, sort them, give them\n"
    "categories, captions and rotations, preview any picture exactly as\n"
    "the album will hold it, save the work as a project file (.kv2) and\n"
    "write the album: preview images,\n"
    "thumbnails with a bevelled edge, an index page per category, gallery\n"
    "pages to page through and details pages with the EXIF data of each\n"
    "photo. The user interface is German.\n"
    "\n"
    "The package holds the window program korvo2 and the command-line tool\n"
    "korvo2-album, which makes the same albums from scripts.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY korvo2)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvo-2-Projektteam <korvo2@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Named as well, so that the package says so even where dpkg-shlibdeps is not at hand: both
# programs keep their acquisition cache in SQLite.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0")
if(KORVO_BUILD_GUI)
    # Qt's platform plugins (the X11 one among them) come in a package of their own that no
    # library dependency names; without it the window cannot open. xdg-open starts the browser
    # for the help file and the album. Qt's own dialogs and boxes speak German only with
    # qt6-translations-l10n.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlite3-0, qt6-qpa-plugins, qt6-translations-l10n")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
endif()

include(CPack)
