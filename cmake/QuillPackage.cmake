# Installs the CMake package that find_package(quill) reads. Every module adds
# itself to the export set "quillTargets" with install(TARGETS ... EXPORT quillTargets).
include(CMakePackageConfigHelpers)

set(QUILL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quill)

install(EXPORT quillTargets
  NAMESPACE quill::
  DESTINATION ${QUILL_CMAKE_DIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/quillConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/quillConfig.cmake
  INSTALL_DESTINATION ${QUILL_CMAKE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/quillConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/quillConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/quillConfigVersion.cmake
  DESTINATION ${QUILL_CMAKE_DIR})

# quill_pkgconfig(<name>.pc.in): configure and install one pkg-config file.
function(quill_pkgconfig template)
  get_filename_component(name ${template} NAME_WE)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
