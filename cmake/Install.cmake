# The installed package: the three shared libraries with their public
# headers, exported so that another project can write
#
#   find_package(Trevalon REQUIRED)
#   target_link_libraries(app PRIVATE Trevalon::fgb)
#
# (kalvex-cli, the program and their files install from their own folders).
include(CMakePackageConfigHelpers)

set(KALVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Trevalon)
install(EXPORT TrevalonTargets NAMESPACE Trevalon:: DESTINATION ${KALVEX_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(cmake/TrevalonConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TrevalonConfig.cmake INSTALL_DESTINATION ${KALVEX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TrevalonConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TrevalonConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/TrevalonConfigVersion.cmake
        DESTINATION ${KALVEX_CMAKE_DIR} COMPONENT dev)
