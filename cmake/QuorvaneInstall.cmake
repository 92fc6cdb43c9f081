# Installation of the library as a C package: the header, the shared library, a
# relocatable quorvane.pc and a CMake package (quorvane::quorvane).
include(CMakePackageConfigHelpers)

set(QUORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorvane)

install(TARGETS quorvane EXPORT quorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvane)

# quorvane.pc finds its prefix from its own place (${pcfiledir}), so the installed tree
# works wherever it was installed to or moved.
function(quorvane_relative_to_prefix var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${var} "${dir}" PARENT_SCOPE)
  else()
    set(${var} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
set(QUORVANE_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${QUORVANE_PC_DIR}")
  set(QUORVANE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH QUORVANE_PC_UP "/quorvane-root/${QUORVANE_PC_DIR}" "/quorvane-root")
  set(QUORVANE_PC_PREFIX "\${pcfiledir}/${QUORVANE_PC_UP}")
endif()
string(REGEX REPLACE "/$" "" QUORVANE_PC_PREFIX "${QUORVANE_PC_PREFIX}")
quorvane_relative_to_prefix(QUORVANE_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
quorvane_relative_to_prefix(QUORVANE_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/quorvane.pc.in ${PROJECT_BINARY_DIR}/quorvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quorvane.pc DESTINATION ${QUORVANE_PC_DIR})

install(EXPORT quorvaneTargets NAMESPACE quorvane:: DESTINATION ${QUORVANE_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/quorvaneConfig.cmake
  INSTALL_DESTINATION ${QUORVANE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorvaneConfig.cmake ${PROJECT_BINARY_DIR}/quorvaneConfigVersion.cmake
  DESTINATION ${QUORVANE_CMAKE_DIR})

# Inside the build the same name as installed.
add_library(quorvane::quorvane ALIAS quorvane)

# Installs a program under libexec/quorvane with a run path that finds the installed
# library from there.
function(quorvane_install_exerciser target)
  file(RELATIVE_PATH rel "/quorvane-root/${CMAKE_INSTALL_LIBEXECDIR}/quorvane" "/quorvane-root/${CMAKE_INSTALL_LIBDIR}")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN/${rel}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quorvane)
endfunction()
