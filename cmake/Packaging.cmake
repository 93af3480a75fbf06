# The program as a Linux desktop program and a Debian package: its icon,
# manual page, AppStream metadata, copyright and changelog (installed by
# `cmake --install` like the rest), and CPack's settings for the package
# (`cpack -G DEB`, which scripts/release runs). Not for a Windows build.
if(WIN32)
  return()
endif()

# Names the package and its metadata give. The project has no web host yet:
# the domain is the one the AppStream id names, and the screenshot is the one
# scripts/release writes into dist/, to be put at this address.
set(FK_APPSTREAM_ID org.flippkroma.FlippKroma)
set(FK_PACKAGE_CONTACT "FLIPP KROMA developers <developers@flippkroma.org>")
set(FK_SCREENSHOT_URL https://flippkroma.org/screenshots/flipp-kroma-${PROJECT_VERSION}.png)
set(FK_SUMMARY "Real-time 3D show in step with its own tracker music: the return of ARLO FENK")

# The date the manual page, the changelog and the metadata carry: the last
# commit's (or SOURCE_DATE_EPOCH's), so that one checkout builds the same files.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND epoch)
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  endif()
endif()
string(TIMESTAMP FK_SOURCE_DATE_EPOCH "%s" UTC)
string(TIMESTAMP FK_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP FK_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(FK_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/flipp-kroma)
set(generated ${CMAKE_BINARY_DIR}/packaging)

# The icon, drawn from the character at the usual sizes.
add_subdirectory(tools/icon)

# The manual page: the options come from the program's own --help, the rest
# from data/flipp-kroma.h2m.in, so that the page and the program agree.
find_program(HELP2MAN help2man REQUIRED)
string(REPLACE "-" "\\-" FK_MAN_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/flipp-kroma)
configure_file(${CMAKE_SOURCE_DIR}/data/flipp-kroma.h2m.in ${generated}/flipp-kroma.h2m @ONLY)
add_custom_command(
  OUTPUT ${generated}/flipp-kroma.6 ${generated}/flipp-kroma.6.gz
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${FK_SOURCE_DATE_EPOCH}
          ${HELP2MAN} --no-info --section=6 --manual=Games --include=flipp-kroma.h2m
          --output=flipp-kroma.6 $<TARGET_FILE:flipp-kroma>
  COMMAND gzip -9nkf flipp-kroma.6
  DEPENDS flipp-kroma ${generated}/flipp-kroma.h2m
  WORKING_DIRECTORY ${generated}
  COMMENT "Writing the manual page from flipp-kroma --help")
add_custom_target(manpage ALL DEPENDS ${generated}/flipp-kroma.6.gz)
install(FILES ${generated}/flipp-kroma.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# AppStream metadata for software centres.
configure_file(${CMAKE_SOURCE_DIR}/data/flipp-kroma.metainfo.xml.in
               ${generated}/${FK_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${FK_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licences of everything shipped, and the changelog a Debian package has.
# The font's licence text, as a paragraph of the machine-readable copyright file.
file(READ ${CMAKE_SOURCE_DIR}/data/fonts/LICENSE FK_OFL_TEXT)
string(STRIP "${FK_OFL_TEXT}" FK_OFL_TEXT)
string(REGEX REPLACE "[ \t]*\n" "\n " FK_OFL_TEXT " ${FK_OFL_TEXT}")
string(REGEX REPLACE "\n \n" "\n .\n" FK_OFL_TEXT "${FK_OFL_TEXT}")
string(REGEX REPLACE "\n \n" "\n .\n" FK_OFL_TEXT "${FK_OFL_TEXT}")
configure_file(${CMAKE_SOURCE_DIR}/data/copyright.in ${generated}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/data/changelog.in ${generated}/changelog @ONLY)
add_custom_command(
  OUTPUT ${generated}/changelog.gz
  COMMAND gzip -9nkf changelog
  DEPENDS ${generated}/changelog
  WORKING_DIRECTORY ${generated})
add_custom_target(changelog ALL DEPENDS ${generated}/changelog.gz)
install(FILES ${generated}/copyright ${generated}/changelog.gz DESTINATION ${FK_PACKAGE_DOC_DIR})

# The Debian package: flipp-kroma_VERSION_ARCH.deb, its Depends computed by
# dpkg-shlibdeps from the program's libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flipp-kroma)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${FK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${FK_SUMMARY})
set(CPACK_PACKAGE_DESCRIPTION [[
A real-time audiovisual show: it asks for a display mode, opens an OpenGL
window, plays its own tracker module and draws a sequence of 3D scenes in
step with the music until the farewell pattern ends.

It can also run without a display, writing every frame as a picture, render
itself into one video with its sound (with ffmpeg), or time every scene.]])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# (Debian's section "games" is for programs in /usr/games.)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL loads the GL and EGL libraries when it opens a window or the offscreen
# context, unseen by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
