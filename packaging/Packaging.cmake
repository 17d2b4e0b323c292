# Install rules and the Debian package: `make deb` (cpack -G DEB) builds orvane_VERSION_ARCH.deb.
# Everything lands under /usr except the unit and the service's defaults.
include(GNUInstallDirs)

set(ORVANE_PKG_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ORVANE_PKG_BUILD ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${ORVANE_PKG_BUILD})

# A station that builds its own package names itself here (cmake -DORVANE_MAINTAINER=...).
set(ORVANE_MAINTAINER "Orvane developers <orvane@example.org>" CACHE STRING "Maintainer of the Debian package")

# Man pages and the changelog go in gzip -9n, as Debian policy asks (no timestamp, reproducible).
configure_file(${ORVANE_PKG_DIR}/changelog.in ${ORVANE_PKG_BUILD}/changelog @ONLY)
set(ORVANE_GZIPPED)
foreach(src IN ITEMS ${ORVANE_PKG_DIR}/orvane-server.1 ${ORVANE_PKG_DIR}/orvane-encode.1 ${ORVANE_PKG_BUILD}/changelog)
  get_filename_component(name ${src} NAME)
  add_custom_command(OUTPUT ${ORVANE_PKG_BUILD}/${name}.gz
                     COMMAND gzip -9n -c ${src} > ${ORVANE_PKG_BUILD}/${name}.gz
                     DEPENDS ${src} VERBATIM)
  list(APPEND ORVANE_GZIPPED ${ORVANE_PKG_BUILD}/${name}.gz)
endforeach()
add_custom_target(orvane-package-docs ALL DEPENDS ${ORVANE_GZIPPED})

install(TARGETS orvane-server orvane-encode RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ORVANE_PKG_BUILD}/orvane-server.1.gz ${ORVANE_PKG_BUILD}/orvane-encode.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORVANE_PKG_DIR}/copyright ${ORVANE_PKG_BUILD}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/orvane)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/orvane/demo
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${ORVANE_PKG_DIR}/orvane.service DESTINATION /lib/systemd/system)
install(FILES ${ORVANE_PKG_DIR}/orvane.default DESTINATION /etc/default RENAME orvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VENDOR "Orvane developers")
set(CPACK_PACKAGE_CONTACT "${ORVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control server of an FM station's RDS encoder")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/deb)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvane keeps a station's RDS data (PI, PTY, traffic flags, alternative
frequencies, programme service name and RadioTexts), codes them into RDS
groups and keeps the encoder's serial EEPROM in step over an I2C bus on
the parallel port. Commands come from a command file, over TCP and from
the media player's now-playing title. The package runs it as a systemd
service with its station folder in /var/lib/orvane.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${ORVANE_PKG_DIR}/debian/postinst ${ORVANE_PKG_DIR}/debian/prerm ${ORVANE_PKG_DIR}/debian/postrm
    ${ORVANE_PKG_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
