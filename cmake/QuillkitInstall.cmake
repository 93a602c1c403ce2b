# Install rules: libraries, headers, pkg-config files, the CMake package and
# the programs, in three components that are also the Debian packages:
#
#   runtime       the shared libraries                         libquillkit1
#   development   headers, static archives, .so links,         libquillkit-dev
#                 pkg-config files, the CMake package, the
#                 libraries' manual pages (sections 3 and 7)
#   tools         quillmake and the programs of tools/         quillkit-tools
#                 (with desktop entries), their manual pages
include(CMakePackageConfigHelpers)

set(QUILLKIT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quillkit)
get_property(modules GLOBAL PROPERTY QUILLKIT_MODULES)
get_property(headers GLOBAL PROPERTY QUILLKIT_HEADERS)
get_property(pkgconfig_templates GLOBAL PROPERTY QUILLKIT_PKGCONFIG)
list(TRANSFORM modules PREPEND quillkit_)
list(TRANSFORM modules APPEND _static OUTPUT_VARIABLE static_modules)

install(TARGETS ${modules} EXPORT quillkit-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS ${static_modules} EXPORT quillkit-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
# quillkit::quillkit, which links every module's shared library.
install(TARGETS quillkit_quillkit EXPORT quillkit-targets)
install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillkit COMPONENT development)

# The programs have an export set of their own, installed with them: the
# development files do not need the tools, and find_package(quillkit) offers
# quillkit::quillmake only where quillmake is installed.
# (The programs in tools/ install themselves, in the same component.)
install(TARGETS quillkit_quillmake EXPORT quillkit-tools-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
get_property(manpages GLOBAL PROPERTY QUILLKIT_MANPAGES)
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
# The libraries' manual pages (man/: a page for each call in section 3, and
# the overview quillkit(7)) go with the headers they document.
include(${PROJECT_SOURCE_DIR}/man/manpages.cmake)
install(FILES ${QUILLKIT_MAN3_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT development)
install(FILES ${QUILLKIT_MAN7_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man7 COMPONENT development)

install(EXPORT quillkit-targets NAMESPACE quillkit:: DESTINATION ${QUILLKIT_CMAKE_DIR}
  COMPONENT development)
install(EXPORT quillkit-tools-targets NAMESPACE quillkit:: DESTINATION ${QUILLKIT_CMAKE_DIR}
  COMPONENT tools)
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/quillkit-config.cmake.in
  ${PROJECT_BINARY_DIR}/quillkit-config.cmake
  INSTALL_DESTINATION ${QUILLKIT_CMAKE_DIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/quillkit-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/quillkit-config.cmake
  ${PROJECT_BINARY_DIR}/quillkit-config-version.cmake
  ${CMAKE_CURRENT_LIST_DIR}/quillkit-snippets.cmake
  DESTINATION ${QUILLKIT_CMAKE_DIR} COMPONENT development)

# pkg-config files. Inside each, the prefix is the installed file's own place,
# ${pcfiledir}/../.., so the tree works wherever it is put (cmake --install
# --prefix DIR, or an unpacked Debian package). An absolute
# CMAKE_INSTALL_LIBDIR keeps the real prefix.
set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(pc_prefix ${CMAKE_INSTALL_PREFIX})
set(pc_libdir ${CMAKE_INSTALL_FULL_LIBDIR})
set(pc_includedir ${CMAKE_INSTALL_FULL_INCLUDEDIR})
set(pc_bindir ${CMAKE_INSTALL_FULL_BINDIR})
if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  file(RELATIVE_PATH up /quillkit-prefix/${pcdir} /quillkit-prefix)
  string(REGEX REPLACE "/$" "" up "${up}")
  set(pc_prefix "\${pcfiledir}/${up}")
  set(pc_libdir "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  foreach(kind INCLUDEDIR BINDIR)
    if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
      string(TOLOWER ${kind} var)
      set(pc_${var} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
  endforeach()
endif()
# The snippet runtime's static archive also needs libpng, and librsvg where
# it was built with it.
set(pc_snippets_private libpng)
if(QUILLKIT_HAVE_RSVG)
  set(pc_snippets_private "libpng, librsvg-2.0")
endif()
# quillkit.pc, the whole kit: it requires the modules' own files.
list(APPEND pkgconfig_templates ${CMAKE_CURRENT_LIST_DIR}/quillkit.pc.in)
foreach(template IN LISTS pkgconfig_templates)
  get_filename_component(name ${template} NAME_WE)
  configure_file(${template} ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc DESTINATION ${pcdir} COMPONENT development)
endforeach()

# In a system prefix the kit's programs and libraries carry no RUNPATH: the
# loader finds them in its own paths. The prefix is the one of this install
# (cmake --install --prefix, or a package's /usr), not the configured one.
# Only the files the kit's own rules wrote are touched: an embedding project's
# are its own business.
install(CODE [[
  if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/*$" AND DEFINED _quillkit_first_file)
    list(SUBLIST CMAKE_INSTALL_MANIFEST_FILES ${_quillkit_first_file} -1 _quillkit_files)
    foreach(_quillkit_file IN LISTS _quillkit_files)
      set(_quillkit_file "$ENV{DESTDIR}${_quillkit_file}")
      if(IS_SYMLINK "${_quillkit_file}" OR NOT EXISTS "${_quillkit_file}")
        continue()
      endif()
      file(READ "${_quillkit_file}" _quillkit_magic LIMIT 4 HEX)
      if(_quillkit_magic STREQUAL "7f454c46")
        file(RPATH_REMOVE FILE "${_quillkit_file}")
      endif()
    endforeach()
  endif()
]] ALL_COMPONENTS)

# cmake --build <dir> --target uninstall: removes what the last install wrote.
if(PROJECT_IS_TOP_LEVEL AND NOT TARGET uninstall)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake.in
    ${PROJECT_BINARY_DIR}/quillkit-uninstall.cmake @ONLY)
  add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -P ${PROJECT_BINARY_DIR}/quillkit-uninstall.cmake
    COMMENT "Removing the files listed in install_manifest.txt"
    VERBATIM)
endif()
