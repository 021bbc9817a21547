# The package: libqxplay static and shared, its headers under include/qxplay, the CMake package
# qxplay::qxplay, qxplay.pc and the examples, which build against the installed package alone.
include(CMakePackageConfigHelpers)

set(QX_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxplay)
install(TARGETS qxplay qxplay_shared EXPORT qxplayTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/qxplay/qxplay.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxplay)
install(DIRECTORY base platform format codecs player audio video
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxplay
  FILES_MATCHING PATTERN "*.h")
install(EXPORT qxplayTargets NAMESPACE qxplay:: DESTINATION ${QX_CMAKE_PACKAGE_DIR})

configure_package_config_file(cmake/qxplayConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfig.cmake
  INSTALL_DESTINATION ${QX_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/qxplayConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/qxplayConfigVersion.cmake
  DESTINATION ${QX_CMAKE_PACKAGE_DIR})

if(QX_HAVE_SDL)
  set(QX_PC_REQUIRES "sdl2 x11")
endif()
file(RELATIVE_PATH QX_PC_PREFIX_FROM_PC_DIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/qxplay.pc.in ${CMAKE_CURRENT_BINARY_DIR}/qxplay.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qxplay.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qxplay/examples)
