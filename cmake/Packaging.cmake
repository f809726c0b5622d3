# Installation in the freedesktop places, and the Debian package built from
# it by CPack ("make deb").
include(GNUInstallDirs)

set(QUILLARC_DOC_FOLDER ${CMAKE_INSTALL_FULL_DATADIR}/quillarc)
set(QUILLARC_PASS_PATH ${CMAKE_INSTALL_FULL_BINDIR}/quillarc-pass)

# An installed program tells itself from a portable one by where it lies.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/platform/ProgramFolder.cpp TARGET_DIRECTORY quillarc_platform
             APPEND PROPERTY COMPILE_DEFINITIONS
             QUILLARC_INSTALL_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}" QUILLARC_INSTALL_DATADIR="${QUILLARC_DOC_FOLDER}")

install(TARGETS quillarc-pass RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillarc)
  install(TARGETS quillarc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/quillarc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# The read-me and help page the window opens.
foreach(document readme.txt quillarc.html)
  if(EXISTS ${CMAKE_SOURCE_DIR}/data/${document})
    install(FILES data/${document} DESTINATION ${CMAKE_INSTALL_DATADIR}/quillarc)
  endif()
endforeach()

install(FILES packaging/icons/quillarc.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES packaging/icons/quillarc-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME quillarc.png)
endforeach()

# Scheduling: a user service and timer, and the user service that passes
# onto a disk when it is mounted, shipped but not enabled.
configure_file(packaging/systemd/quillarc-pass.service.in quillarc-pass.service @ONLY)
configure_file(packaging/systemd/quillarc-watch.service.in quillarc-watch.service @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quillarc-pass.service ${CMAKE_CURRENT_BINARY_DIR}/quillarc-watch.service
              packaging/systemd/quillarc-pass.timer
        DESTINATION lib/systemd/user)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillarc)
set(CPACK_PACKAGE_VENDOR Quillarc)
set(CPACK_PACKAGE_CONTACT "Quillarc developers <quillarc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop backup of changed files onto labelled backup disks")
set(CPACK_PACKAGE_DESCRIPTION "Quillarc keeps a list of folders and files with cut-off dates and copies \
what changed since onto removable disks known by their volume labels, asking for the next disk when one \
is full. quillarc-pass runs one pass without a window, for cron or a systemd timer.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window opens its help page and documents through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
include(CPack)
