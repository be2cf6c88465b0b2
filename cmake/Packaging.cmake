# The Debian package and what a Linux desktop reads besides the programs: the AppStream data, the
# manual pages, the package's copyright and changelog. `cpack -G DEB` in the build folder writes
# quorvane_<version>_<architecture>.deb (scripts/build-deb.sh builds a release and packages it).
# Everything is installed into /usr; the designer and Beispiele/ into ${QUORVANE_INSTALL_APPDIR}.
if(NOT UNIX OR APPLE)
  return()
endif()

set(QUORVANE_APP_ID example.quorvane.Quorvane)
set(packaging_source "${PROJECT_SOURCE_DIR}/packaging")
set(packaging_build "${PROJECT_BINARY_DIR}/packaging")
set(QUORVANE_PACKAGE_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/quorvane")
find_program(GZIP_PROGRAM gzip REQUIRED)

install(FILES "${packaging_source}/${QUORVANE_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's copyright (machine-readable) and changelog of a native package.
add_custom_command(OUTPUT "${packaging_build}/changelog.gz"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${packaging_build}"
  COMMAND "${GZIP_PROGRAM}" -9n -c "${packaging_source}/changelog" > "${packaging_build}/changelog.gz"
  DEPENDS "${packaging_source}/changelog")
set(packaging_outputs "${packaging_build}/changelog.gz")
install(FILES "${packaging_source}/copyright" "${packaging_build}/changelog.gz" DESTINATION ${QUORVANE_PACKAGE_DOCDIR})

# The manual pages, written for scdoc (man/*.1.scd), installed as compressed roff.
set(QUORVANE_MAN_PAGES quorvane qvr quorvane-starter)
find_program(SCDOC_PROGRAM scdoc)
if(SCDOC_PROGRAM)
  foreach(page ${QUORVANE_MAN_PAGES})
    set(source "${PROJECT_SOURCE_DIR}/man/${page}.1.scd")
    set(output "${PROJECT_BINARY_DIR}/man/${page}.1.gz")
    add_custom_command(OUTPUT "${output}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
      COMMAND ${CMAKE_COMMAND} -DSCDOC=${SCDOC_PROGRAM} -DGZIP=${GZIP_PROGRAM} -DSOURCE=${source}
              -DOUTPUT=${output} -DVERSION=${PROJECT_VERSION} -P "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
      DEPENDS "${source}" "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
      COMMENT "Manual page ${page}(1)"
      VERBATIM)
    list(APPEND packaging_outputs "${output}")
    install(FILES "${output}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(STATUS "scdoc not found: the manual pages are not built (scripts/install-deps.sh installs it)")
endif()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

# CPack's Debian generator.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quorvane-Team")
set(CPACK_PACKAGE_CONTACT "Quorvane-Team <team@quorvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quorvane.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "designer for CD and DVD autostart menus")
# English, then a German paragraph: a binary package's control file has one description field.
set(CPACK_PACKAGE_DESCRIPTION_FILE "${packaging_source}/description.txt")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The libraries the programs link, found by dpkg-shlibdeps. What they load at run time is not
# seen there: libcurl (the update check), the Tahoma-metric and Liberation fonts (the designer's
# pixel layout), Qt's German translations (dialog buttons), xdg-open (links handed to the desktop).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libcurl4 | libcurl3-gnutls, fonts-wine, fonts-liberation, qt6-translations-l10n, xdg-utils")
include(CPack)
