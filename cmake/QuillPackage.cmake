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
#
# The template uses the usual @CMAKE_INSTALL_PREFIX@, @CMAKE_INSTALL_LIBDIR@ and
# @CMAKE_INSTALL_INCLUDEDIR@ (or the _FULL_ forms). Inside this function the
# prefix stands for the installed file's own place, ${pcfiledir}/../.., so the
# tree stays usable wherever it is installed (cmake --install --prefix DIR).
# An absolute CMAKE_INSTALL_LIBDIR keeps the real prefix.
function(quill_pkgconfig template)
  get_filename_component(name ${template} NAME_WE)
  set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    file(RELATIVE_PATH up /quill-prefix/${pcdir} /quill-prefix)
    string(REGEX REPLACE "/$" "" up "${up}")
    set(CMAKE_INSTALL_PREFIX "\${pcfiledir}/${up}")
    foreach(kind LIBDIR INCLUDEDIR)
      if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
        set(CMAKE_INSTALL_FULL_${kind} "${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_${kind}}")
      endif()
    endforeach()
  endif()
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${name}.pc DESTINATION ${pcdir})
endfunction()
