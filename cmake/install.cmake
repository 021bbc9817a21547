# The package: libqxplay static and shared, its public headers under include/qxplay, the CMake
# package qxplay::qxplay, qxplay.pc and the examples, which build against the installed package
# alone.
include(CMakePackageConfigHelpers)

set(QX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxplay)
install(TARGETS qxplay qxplay_shared EXPORT qxplayTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/qxplay/qxplay.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxplay)
# The player's own interface: its parameter block and operations, and the platform services an
# application hands it. They keep their folders under qxplay/ and include each other by relative
# paths, so that -I${includedir} alone finds them (<qxplay/player/player.h>).
set(QX_PUBLIC_HEADERS player/player.h player/play_params.h platform/backend.h
  platform/display.h platform/file.h platform/kernel.h platform/object.h platform/result.h
  platform/sound.h platform/window.h base/interlocked.h)
if(QX_HAVE_SDL)
  list(APPEND QX_PUBLIC_HEADERS platform/sdl/sdl_backend.h platform/sdl/sound_mix.h)
endif()
foreach(header ${QX_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxplay/${folder})
endforeach()
install(EXPORT qxplayTargets NAMESPACE qxplay:: DESTINATION ${QX_CMAKE_PACKAGE_DIR})

configure_package_config_file(cmake/qxplayConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfig.cmake
  INSTALL_DESTINATION ${QX_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qxplayConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfigVersion.cmake
  DESTINATION ${QX_CMAKE_PACKAGE_DIR})

# Only the static library needs what the SDL backend loads. Named as libraries rather than
# required packages, whose compile flags pkg-config would hand every program of the headers.
if(QX_HAVE_SDL)
  list(TRANSFORM SDL2_LIBRARIES PREPEND -l OUTPUT_VARIABLE QX_PC_LIBS_PRIVATE)
  list(TRANSFORM X11_LIBRARIES PREPEND -l OUTPUT_VARIABLE QX_X11_LIBS)
  list(APPEND QX_PC_LIBS_PRIVATE ${QX_X11_LIBS})
  list(JOIN QX_PC_LIBS_PRIVATE " " QX_PC_LIBS_PRIVATE)
endif()
file(RELATIVE_PATH QX_PC_PREFIX_FROM_PC_DIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/qxplay.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qxplay.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qxplay.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qxplay/examples)
