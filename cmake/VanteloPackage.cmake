# SPDX-License-Identifier: MIT
# Debian packages, one per component: orvana (the catalogue and its tool), vantelo-update
# (the updater) and vantelo-common (the registry tool, the group and the machine hive).
# scripts/package.sh builds them; library dependencies come from dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantelo)
set(CPACK_PACKAGE_VENDOR Vantelo)
set(CPACK_PACKAGE_CONTACT "Vantelo Support <support@vantelo.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL catalogue updater common)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vantelo.com/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

set(_scripts "${PROJECT_SOURCE_DIR}/packaging/deb")

set(CPACK_DEBIAN_COMMON_PACKAGE_NAME vantelo-common)
set(CPACK_DEBIAN_COMMON_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_COMMON_PACKAGE_DEPENDS "adduser")
set(CPACK_COMPONENT_COMMON_DESCRIPTION
    "Settings tool shared by the Vantelo programs\nvantelo-reg reads and writes the registry hives in which Orvana and\nVantelo Update keep their settings, with the syntax of reg.exe. The\npackage also makes the group vantelo, whose members may edit the shared\nparts catalogue.")
set(CPACK_DEBIAN_COMMON_PACKAGE_CONTROL_EXTRA "${_scripts}/vantelo-common/postinst;${_scripts}/vantelo-common/postrm")

set(CPACK_DEBIAN_CATALOGUE_PACKAGE_NAME orvana)
set(CPACK_DEBIAN_CATALOGUE_PACKAGE_SECTION database)
set(CPACK_DEBIAN_CATALOGUE_PACKAGE_DEPENDS "vantelo-common (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_CATALOGUE_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_CATALOGUE_PACKAGE_SUGGESTS "libsqliteodbc, odbc-postgresql")
set(CPACK_COMPONENT_CATALOGUE_DESCRIPTION
    "Catalogue of spare parts\nOrvana lists, finds and edits the parts of a PARTS table: an SQLite file\nshared by the members of the group vantelo, or any ODBC data source.\nInstalling it creates a sample catalogue in /var/lib/vantelo/parts when\nthere is none; purging the package removes the catalogue.")
set(CPACK_DEBIAN_CATALOGUE_PACKAGE_CONTROL_EXTRA
    "${_scripts}/orvana/postinst;${_scripts}/orvana/prerm;${_scripts}/orvana/postrm")

set(CPACK_DEBIAN_UPDATER_PACKAGE_NAME vantelo-update)
set(CPACK_DEBIAN_UPDATER_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_UPDATER_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_UPDATER_PACKAGE_SUGGESTS "wine")
set(CPACK_COMPONENT_UPDATER_DESCRIPTION
    "Updater of the Vantelo programs (Vantelo Update)\nmendrel finds Carvell, Dunmore and Orvana, downloads the chosen program's\nupdate package from the Vantelo update server and applies it, logging\nevery step.")
set(CPACK_DEBIAN_UPDATER_PACKAGE_CONTROL_EXTRA "${_scripts}/vantelo-update/postrm")

include(CPack)
