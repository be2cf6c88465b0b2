# Points pkg-config and find_package at the libraries scripts/build-windows-deps.sh cross-built
# (libxml2, libisofs, Duktape) and finds libxml2 and the threads there. A macro: the search paths
# must hold in the caller's scope.
macro(quorvane_use_windows_deps deps)
  set(ENV{PKG_CONFIG_LIBDIR} "${deps}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
  list(APPEND CMAKE_FIND_ROOT_PATH "${deps}")
  file(GLOB libxml2_config_dir "${deps}/lib/cmake/libxml2-*")
  set(LibXml2_DIR "${libxml2_config_dir}" CACHE PATH "" FORCE)
  find_package(LibXml2 CONFIG REQUIRED)
  find_package(Threads REQUIRED)
endmacro()
