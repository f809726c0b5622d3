# Installation in the freedesktop places, and the Debian package built from
# it by CPack ("make deb").
include(GNUInstallDirs)

set(QUILLARC_DOC_FOLDER ${CMAKE_INSTALL_FULL_DATADIR}/quillarc)

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
# onto a disk when it is mounted, shipped but not enabled. They go below the
# data folder of the prefix, where the user manager looks for that prefix
# ($XDG_DATA_HOME/systemd/user for ~/.local, $XDG_DATA_DIRS/systemd/user for
# /usr/local and /usr), and they run the program where it is installed: both
# are taken from the prefix at install time, so that "cmake --install build
# --prefix ~/.local" gives units that the user manager finds and that start
# the installed program, not the one of the configure-time prefix.
set(QUILLARC_USER_UNIT_DIR ${CMAKE_INSTALL_DATADIR}/systemd/user
    CACHE STRING "Where the systemd user units are installed, below the prefix")
set(QUILLARC_UNIT_FOLDER ${CMAKE_CURRENT_BINARY_DIR}/units)
install(
  CODE "
  set(QUILLARC_PASS_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quillarc-pass\")
  set(QUILLARC_DOC_FOLDER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/quillarc\")
  foreach(unit quillarc-pass.service quillarc-watch.service)
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/systemd/\${unit}.in\" \"${QUILLARC_UNIT_FOLDER}/\${unit}\" @ONLY)
  endforeach()
")
install(FILES ${QUILLARC_UNIT_FOLDER}/quillarc-pass.service ${QUILLARC_UNIT_FOLDER}/quillarc-watch.service
              packaging/systemd/quillarc-pass.timer
        DESTINATION ${QUILLARC_USER_UNIT_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillarc)
set(CPACK_PACKAGE_VENDOR Quillarc)
set(CPACK_PACKAGE_CONTACT "Quillarc developers <quillarc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop backup of changed files onto labelled backup disks")
set(CPACK_PACKAGE_DESCRIPTION "Quillarc keeps a list of folders and files with cut-off dates and copies \
what changed since onto removable disks known by their volume labels, asking for the next disk when one \
is full. quillarc-pass runs one pass without a window, for cron or a systemd timer, and, as the \
user service quillarc-watch, a pass onto each disk opted in with quillarc-pass --auto on whenever it is \
mounted, announced as a desktop notification with a Stop action.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window opens its help page and documents through xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
include(CPack)
