# The Debian package: `cmake --build build --target package` makes
# build/qingchuan_<version>_<arch>.deb from the install rules, under /usr.

# Debian's documentation files: the copyright, and the changelog compressed. The changelog's newest
# entry must name this version.
file(STRINGS "${PROJECT_SOURCE_DIR}/resources/package/changelog" changelogTop LIMIT_COUNT 1)
if(NOT changelogTop MATCHES "^qingchuan \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/package/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()
set(QINGCHUAN_CHANGELOG_GZ "${CMAKE_BINARY_DIR}/generated/changelog.gz")
add_custom_command(OUTPUT "${QINGCHUAN_CHANGELOG_GZ}"
  COMMAND gzip -9n -c "${PROJECT_SOURCE_DIR}/resources/package/changelog" > "${QINGCHUAN_CHANGELOG_GZ}"
  DEPENDS "${PROJECT_SOURCE_DIR}/resources/package/changelog"
  COMMENT "Compressing the changelog")
add_custom_target(changelog ALL DEPENDS "${QINGCHUAN_CHANGELOG_GZ}")
install(FILES "${PROJECT_SOURCE_DIR}/resources/package/copyright" "${QINGCHUAN_CHANGELOG_GZ}"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qingchuan)

# The package's file, as CPack names it (for the tests that unpack it).
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE QINGCHUAN_DEB_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(QINGCHUAN_DEB "${CMAKE_BINARY_DIR}/qingchuan_${PROJECT_VERSION}_${QINGCHUAN_DEB_ARCH}.deb")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qingchuan)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "qingchuan maintainers <maintainers@qingchuan.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # qingchuan_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.qingchuan.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet TV, radio, films and small games from one menu bar")
set(CPACK_PACKAGE_DESCRIPTION
  "晴川影音同乐会: a desktop viewer for Internet television, radio, films, series,
comedy sketches and small Flash games, for Chinese-speaking users. Its whole
interface is a fixed channel catalogue on the menu bar: an entry plays a stream
in the embedded player (libvlc), opens an address in the desktop's default
program, or loads a game into the games window (Ruffle in Qt WebEngine).")
# The libraries it links against, found by dpkg-shlibdeps; then what it loads at run time: libvlc
# and its plugins, libcurl (with the first download), the web engine's helper process, a font for
# the Chinese captions, and xdg-open for browse entries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libvlc5, vlc-plugin-base, vlc-plugin-video-output, libseccomp2, libcurl4, libqt6webenginecore6-bin, fonts-wqy-microhei | fonts-noto-cjk, xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
