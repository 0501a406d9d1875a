# The Debian package, made by CPack from the install rules (tools/scripts/package.sh runs it).
# Everything lands under /usr; the runtime Depends come from dpkg-shlibdeps on the binaries.

set(SP_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/stillpick)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/deb/copyright
        DESTINATION ${SP_DOC_DIR})

# Installing never builds the whole tree (tests included): the packaging script builds what the
# install rules take.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stillpick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Orvane <support@stillpick.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://stillpick.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time (when sound is first played, when the first HDR picture is tone-mapped),
# so the shared-library scan does not see them.
string(REGEX MATCH "^[0-9]+" avfilter_major "${AVFILTER_VERSION}")
# libavfilter as the other FFmpeg libraries are named by the scan: the Debian epoch 7 and the
# FFmpeg release whose libavfilter major it is built against.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libsdl2-2.0-0 (>= 2.24.0), libavfilter${avfilter_major} (>= 7:5.1)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "take still images out of video files
Stillpick plays a video file and saves the picture on screen as an image
file. It steps frame by frame, second by second or scene by scene, grabs
single frames or one every few frames or seconds, and can write the
recording date, the timecode or a text of your own into the pictures.
It opens AVI, DV, MPEG, MPEG transport streams, Matroska, QuickTime and
MP4 files, and also runs scripts and command lines without a display.
.
The package also holds stillpick-probe, a command-line tool that reports
how Stillpick reads a video file.")
# The man pages gzipped and the changelog added in the staging tree, as Debian wants them.
set(SP_DEB_CHANGELOG ${PROJECT_BINARY_DIR}/deb/changelog)
string(TIMESTAMP sp_deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deb/changelog.in ${SP_DEB_CHANGELOG} @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb/stage.cmake)
set(CPACK_SP_DEB_CHANGELOG ${SP_DEB_CHANGELOG})
set(CPACK_SP_DOC_DIR ${SP_DOC_DIR})
include(CPack)
