# The designer for Windows, cross-built by the host build: this same source tree configured a
# second time with the MinGW-w64 toolchain against the static Qt that scripts/build-windows-qt.sh
# builds once per machine (outside the checkout). The programs land in bin-windows/ of the host
# build, beside Beispiele/ with the host build's starter.exe (the very file the Linux designer
# copies, so both designers agree on its MD5). Its ninja runs on every build and rebuilds only what
# changed. Without the MinGW compilers or the cross Qt nothing is added.
if(WIN32 OR CMAKE_CROSSCOMPILING OR NOT QUORVANE_BUILD_GUI)
  return()
endif()

set(windows_cache "$ENV{QUORVANE_WINDOWS_CACHE}")
if(NOT windows_cache)
  if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(windows_cache "$ENV{XDG_CACHE_HOME}/quorvane-windows")
  else()
    set(windows_cache "$ENV{HOME}/.cache/quorvane-windows")
  endif()
endif()
set(QUORVANE_WINDOWS_QT "${windows_cache}/qt6" CACHE PATH
  "The static Qt for MinGW-w64 (scripts/build-windows-qt.sh); empty to build no Windows designer")
set(QUORVANE_WINDOWS_DESIGNER_DIR "" CACHE INTERNAL "bin-windows/ of the cross-built designer")
set(QUORVANE_WINDOWS_DESIGNER_BUILD "" CACHE INTERNAL "Build folder of the cross-built designer")

find_program(QUORVANE_MINGW_CXX_POSIX x86_64-w64-mingw32-g++-posix)
if(NOT QUORVANE_WINDOWS_QT OR NOT EXISTS "${QUORVANE_WINDOWS_QT}/.complete" OR NOT QUORVANE_MINGW_CXX_POSIX
   OR NOT TARGET starter_windows)
  quorvane_left_out("No Windows designer: the cross Qt (${QUORVANE_WINDOWS_QT}) or MinGW-w64 is missing "
                 "(scripts/build-windows-qt.sh builds it)")
  return()
endif()
file(REAL_PATH "${QUORVANE_WINDOWS_QT}" windows_qt)

# The disc library needs libisofs, libxml2 and Duktape for Windows (scripts/build-windows-deps.sh);
# without them the designer has no disc step.
set(windows_deps "${windows_cache}/deps")
if(EXISTS "${windows_deps}/.complete")
  set(windows_disc ON)
else()
  set(windows_disc OFF)
  quorvane_left_out("The Windows designer has no disc step: no Windows libraries in ${windows_deps} "
                 "(scripts/build-windows-deps.sh)")
endif()

include(ExternalProject)
set(windows_bin "${CMAKE_BINARY_DIR}/bin-windows")
set(windows_build "${CMAKE_BINARY_DIR}/windows-designer")
ExternalProject_Add(quorvane_windows
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${windows_build}"
  CMAKE_ARGS
    # Qt's own toolchain file for builds against it, chained to ours (its recorded path may be
    # that of another checkout).
    "-DCMAKE_TOOLCHAIN_FILE=${windows_qt}/lib/cmake/Qt6/qt.toolchain.cmake"
    "-DQT_CHAINLOAD_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/MinGW-w64.cmake"
    -DQT_HOST_PATH=/usr
    "-DQT_HOST_PATH_CMAKE_DIR=/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/cmake"
    -DCMAKE_BUILD_TYPE=Release
    "-DQUORVANE_PUBLISHER=${QUORVANE_PUBLISHER}"
    "-DQUORVANE_RUNTIME_OUTPUT_DIR=${windows_bin}"
    "-DQUORVANE_EMBED_PICTURES_TOOL=$<TARGET_FILE:quorvane-embed-pictures>"
    "-DQUORVANE_STARTER_EXE=${QUORVANE_WINDOWS_STARTER}"
    "-DQUORVANE_BUILD_TESTS=${QUORVANE_BUILD_TESTS}"
    -DQUORVANE_BUILD_BENCH=OFF
    -DQUORVANE_BUILD_QVR=OFF
    # The disc step: the folder check and the image writer, with the Windows libraries.
    "-DQUORVANE_BUILD_DISC=${windows_disc}"
    "-DQUORVANE_WINDOWS_DEPS=${windows_deps}"
    -DQUORVANE_BUILD_LINUX_RUNTIME=OFF
    "-DQUORVANE_UPDATE_URL=${QUORVANE_UPDATE_URL}"
    "-DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}"
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  DEPENDS quorvane-embed-pictures starter_windows
  BUILD_BYPRODUCTS "${windows_bin}/quorvane.exe")
set(QUORVANE_WINDOWS_DESIGNER_DIR "${windows_bin}" CACHE INTERNAL "")
set(QUORVANE_WINDOWS_DESIGNER_BUILD "${windows_build}" CACHE INTERNAL "")
