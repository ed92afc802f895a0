# SPDX-License-Identifier: MIT
# Where everything goes: each program in its own folder under /opt/Vantelo (the folder
# the updater replaces files in), links and tools in the bin folder, and the desktop's
# files under the data folder. `cmake --install build --prefix /usr` with DESTDIR
# gives the whole tree; the Debian packages are made from the same rules.
include(GNUInstallDirs)

set(VANTELO_PARTS_DIR "${VANTELO_OPT_DIR}/Parts")
set(VANTELO_UPDATE_DIR "${VANTELO_OPT_DIR}/Update")

install(TARGETS orvana RUNTIME DESTINATION "${VANTELO_PARTS_DIR}" COMPONENT catalogue)
install(TARGETS orvana-newdb RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT catalogue)
install(TARGETS mendrel RUNTIME DESTINATION "${VANTELO_UPDATE_DIR}" COMPONENT updater)
install(TARGETS vantelo-reg RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT common)

# The bin folder links to the programs, which find their folder through the link.
set(_links "${PROJECT_BINARY_DIR}/install-links")
file(MAKE_DIRECTORY "${_links}")
file(CREATE_LINK "${VANTELO_PARTS_DIR}/orvana" "${_links}/orvana" SYMBOLIC)
file(CREATE_LINK "${VANTELO_UPDATE_DIR}/mendrel" "${_links}/mendrel" SYMBOLIC)
install(FILES "${_links}/orvana" DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT catalogue)
install(FILES "${_links}/mendrel" DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT updater)

set(_desktop "${PROJECT_SOURCE_DIR}/desktop")
foreach(_pair "com.vantelo.Orvana;catalogue" "com.vantelo.Mendrel;updater")
  list(GET _pair 0 _id)
  list(GET _pair 1 _component)
  install(FILES "${_desktop}/${_id}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications"
          COMPONENT ${_component})
  install(FILES "${_desktop}/${_id}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo"
          COMPONENT ${_component})
  install(FILES "${_desktop}/icons/${_id}.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps" COMPONENT ${_component})
  foreach(_size 48 256)
    install(FILES "${_desktop}/icons/${_id}-${_size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps"
            RENAME "${_id}.png" COMPONENT ${_component})
  endforeach()
endforeach()

# Man pages, compressed as Debian installs them.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(_man_gz)
foreach(_pair "orvana;catalogue" "orvana-newdb;catalogue" "mendrel;updater" "vantelo-reg;common")
  list(GET _pair 0 _page)
  list(GET _pair 1 _component)
  set(_gz "${PROJECT_BINARY_DIR}/man/${_page}.1.gz")
  add_custom_command(OUTPUT "${_gz}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
    COMMAND ${GZIP_EXECUTABLE} -9nc "${PROJECT_SOURCE_DIR}/man/${_page}.1" > "${_gz}"
    DEPENDS "${PROJECT_SOURCE_DIR}/man/${_page}.1" VERBATIM)
  list(APPEND _man_gz "${_gz}")
  install(FILES "${_gz}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT ${_component})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${_man_gz})

# Debian's place for the licence is the package's copyright file.
foreach(_pair "orvana;catalogue" "vantelo-update;updater" "vantelo-common;common")
  list(GET _pair 0 _package)
  list(GET _pair 1 _component)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/${_package}"
          RENAME copyright COMPONENT ${_component})
endforeach()
