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

# The publisher's web address, the one place to change for a release: the AppStream homepage and
# screenshots (docs/screenshots/*.png, published under <address>screenshots/) and the package's
# Homepage field. Empty: they are left out, since AppStream checks that each can be fetched.
set(QUORVANE_PUBLISHER_URL "" CACHE STRING
    "The publisher's https web address ending with /; docs/screenshots/ must be published under its screenshots/")
set(metainfo "${packaging_build}/${QUORVANE_APP_ID}.metainfo.xml")
add_custom_command(OUTPUT "${metainfo}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${packaging_build}"
  COMMAND ${CMAKE_COMMAND} "-DSOURCE=${packaging_source}/${QUORVANE_APP_ID}.metainfo.xml.in" "-DOUTPUT=${metainfo}"
          "-DPUBLISHER_URL=${QUORVANE_PUBLISHER_URL}" -P "${PROJECT_SOURCE_DIR}/cmake/MetaInfo.cmake"
  DEPENDS "${packaging_source}/${QUORVANE_APP_ID}.metainfo.xml.in" "${PROJECT_SOURCE_DIR}/cmake/MetaInfo.cmake"
  VERBATIM)
install(FILES "${metainfo}" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's copyright (machine-readable) and changelog of a native package.
add_custom_command(OUTPUT "${packaging_build}/changelog.gz"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${packaging_build}"
  COMMAND "${GZIP_PROGRAM}" -9n -c "${packaging_source}/changelog" > "${packaging_build}/changelog.gz"
  DEPENDS "${packaging_source}/changelog")
set(packaging_outputs "${packaging_build}/changelog.gz" "${metainfo}")
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
  quorvane_left_out("scdoc not found: the manual pages are not built (scripts/install-deps.sh installs it)")
endif()
add_custom_target(packaging_files ALL DEPENDS ${packaging_outputs})

# CPack's Debian generator.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quorvane-Team")
set(CPACK_PACKAGE_CONTACT "Quorvane-Team <team@quorvane.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
if(QUORVANE_PUBLISHER_URL)
  set(CPACK_PACKAGE_HOMEPAGE_URL "${QUORVANE_PUBLISHER_URL}")
endif()
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
# seen there. The Tahoma-metric and Liberation fonts are needed: the designer's layout is measured
# in them, and other fonts cut its texts. Recommended: libcurl (the update check), Qt's German
# translations (dialog buttons), xdg-open (links handed to the desktop).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils")
if(QUORVANE_UPDATE_CHECK)
  string(PREPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcurl4 | libcurl3-gnutls, ")
endif()
include(CPack)
