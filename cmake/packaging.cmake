# CPack: a Debian package of what `cmake --install` installs, under /usr.
#   cmake --build build --target package   (or: cd build && cpack -G DEB)
# Its dependencies come from dpkg-shlibdeps over the programs and libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verosa)
set(CPACK_PACKAGE_VENDOR "The Verosa developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turn music files into a DVD-Video disc")
set(CPACK_PACKAGE_DESCRIPTION
    "Verosa groups songs into the titles and chapters of a DVD-Video disc that\n\
plays on any DVD player; every chapter gets a background picture and, if\n\
wanted, its lyrics drawn on it. The package holds the program (verosa), the\n\
command-line tool (verosa-cli), their libraries, themes and a demo project.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${VEROSA_WEB_SITE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Verosa developers <${VEROSA_SUPPORT_MAIL}>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries live in the package (lib/verosa), not in other packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
# Used at run time, but found by name (dlopen) or run as a program, so
# dpkg-shlibdeps cannot see them: the desktop's shared MIME database and the
# fonts the stills are drawn with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
