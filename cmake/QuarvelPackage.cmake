# The Debian package: what cmake --install puts in place, under /usr, with the
# dependencies dpkg-shlibdeps finds for the program (SDL2 and its TTF library, libpng,
# fontconfig, libzip, the C++ library) and a font the packs' texts are
# measured with. `cpack -G DEB` in the build folder (scripts/package) makes
# quarvel_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME quarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quarvel developers")
set(CPACK_PACKAGE_CONTACT "The Quarvel developers <players@quarvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-block puzzle game on a phone's screen")
set(CPACK_PACKAGE_DESCRIPTION
"Quarvel is a falling-block puzzle game made for a keypad phone with a small
screen, here in a window on the desktop. Pieces of one to six square tiles drop
into a playfield of 10 columns by 20 rows; every full row is cleared and scored,
every tenth row raises the level, and junk rows can rise from the bottom.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quarvel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
