# The Debian package: `cpack -G DEB` in a build folder (scripts/package does the whole build)
# packs what Install.cmake installs, under /usr, with its binaries stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kolb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KOLB")
set(CPACK_PACKAGE_CONTACT "${KOLB_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "controller for video tape decks over RS-422 (9-pin)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[KOLB drives a professional video tape deck or disk recorder over an RS-422
line with the 9-pin VTR protocol: transport, jog and shuttle, a live timecode
display, cue, cue-and-play, clip review and scripts.
.
Its edit logger logs clips by timecode and saves and loads CMX 3600 EDLs,
Avid ALEs and CSV tables; logged clips can be captured to files through a
recorder such as ffmpeg, each checked frame by frame against the tape's
timecode. A TCP command server and a HyperDeck protocol front end let other
programs roll the deck.
.
The package also holds kolb-decksim, a simulated deck to try KOLB without one,
and kolb-list, which converts and checks edit lists.]=])

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KOLB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps; ffmpeg is the recorder and frame
# counter a capture runs by default.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# The package's file name, control fields and every file it holds, checked against a table.
if(BUILD_TESTING)
    add_test(NAME package_contents
             COMMAND bash ${KOLB_PACKAGING_DIR}/tests/package-contents ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
    set_tests_properties(package_contents PROPERTIES TIMEOUT 300)
endif()
