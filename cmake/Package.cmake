# The Debian package of what dist/ installs, under /usr: cpack -G DEB makes
# nitidor_<version>_<arch>.deb (scripts/package.sh builds and packages).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nitidor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${NITIDOR_MAINTAINER}")
set(CPACK_PACKAGE_VENDOR "Nitidor maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "focus the lens of a USB camera module")
set(CPACK_PACKAGE_DESCRIPTION
    "Nitidor shows a USB camera module's live picture and, ten times a second,\n"
    "the focus figure its firmware reports, charted with the peak held, so the\n"
    "lens can be turned to best focus. It pulls stills out of the camera as JPEG\n"
    "or as raw Bayer data, which it develops itself, shows them one to one and\n"
    "saves them.\n"
    "\n"
    "With options it runs on a test station without a window, prints the focus\n"
    "figures and ends with an exit code that says how it went. A simulated\n"
    "camera ships with it and is found by default.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Beside the build, wherever cpack is run from.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NITIDOR_WEB_URL}")
# The libraries the program links, with the versions dpkg-shlibdeps reads from them; that
# takes in Qt's X11 and offscreen platform plugins and its PNG, JPEG and BMP readers, which
# ship with libqt6gui6. Loaded at run time and in no other package that is: TIFF for saving
# stills.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
include(CPack)
