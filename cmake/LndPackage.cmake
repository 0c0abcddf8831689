# LndPackage.cmake -- the Debian package, built by CPack (`make package`):
# lndview_<version>_<arch>.deb, installing the tree of LndInstall.cmake
# under /usr. Its dependencies are computed from the binaries
# (dpkg-shlibdeps, from dpkg-dev).
#
# No maintainer scripts: Debian's shared-mime-info, desktop-file-utils,
# hicolor-icon-theme and man-db watch /usr/share/mime/packages,
# /usr/share/applications, /usr/share/icons/hicolor and /usr/share/man through
# file triggers and refresh their databases when a package adds or removes
# files there.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the lndview authors")
set(CPACK_PACKAGE_CONTACT "the lndview authors <lndview@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and tool for Thornveil landscape files")
set(CPACK_PACKAGE_DESCRIPTION
"lndview opens the landscape files (.lnd) of the game Thornveil in an OpenGL
window: fly over the terrain blocks, see which country each cell belongs to,
and export the LoRes overview textures as DDS files. Damaged files are
reported, never read past their end.

lndtool, its command-line companion, makes sample landscapes, reports what a
file holds and every fault in it (also as JSON), exports its textures as PNG
and DDS files, and renders pictures and thumbnails without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the installed files; the database refresh is the target system's job.
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The file chooser of the viewer's start and its `o` key.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog")

include(CPack)
