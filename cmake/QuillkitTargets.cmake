# How quillkit's own targets are made.
#
#   quillkit_compile_options(<target>)   warnings and the C++ standard
#   quillkit_add_module(<name> ...)      one library, shared and static
#   quillkit_add_pkgconfig(<file>)       a pkg-config file for the install
#   quillkit_add_manpage(<page>)         a manual page for the install

# The public headers are gathered in <build>/include/quillkit, so that an
# embedding project includes them exactly as it would the installed ones:
# <quillkit/qxdraw.h> or <qxdraw.h>.
set(QUILLKIT_BUILD_INCLUDEDIR ${PROJECT_BINARY_DIR}/include)

# QUILLKIT_DEB_HARDENING: compile and link with the flags dpkg-buildflags
# gives a Debian package build, with every hardening feature on
# (DEB_BUILD_MAINT_OPTIONS=hardening=+all, before any the environment sets):
# fortified libc calls, stack protector, -z relro and -z now. What debhelper
# passes through CFLAGS, CXXFLAGS, CPPFLAGS and LDFLAGS, for `cpack -G DEB`.
option(QUILLKIT_DEB_HARDENING "Build with Debian's hardening flags from dpkg-buildflags (for packages)" OFF)
if(QUILLKIT_DEB_HARDENING)
  find_program(QUILLKIT_DPKG_BUILDFLAGS dpkg-buildflags)
  if(NOT QUILLKIT_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "QUILLKIT_DEB_HARDENING needs dpkg-buildflags (Debian package dpkg-dev)")
  endif()
  foreach(kind CFLAGS CXXFLAGS CPPFLAGS LDFLAGS)
    # Run in the source folder: its -ffile-prefix-map maps that folder to ".".
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
        "DEB_BUILD_MAINT_OPTIONS=hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}"
        ${QUILLKIT_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      RESULT_VARIABLE status OUTPUT_VARIABLE deb_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${status})")
    endif()
  endforeach()
  string(APPEND CMAKE_C_FLAGS " ${deb_CFLAGS} ${deb_CPPFLAGS}")
  string(APPEND CMAKE_CXX_FLAGS " ${deb_CXXFLAGS} ${deb_CPPFLAGS}")
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${deb_LDFLAGS}")
  endforeach()
  message(STATUS "quillkit: Debian's build flags (dpkg-buildflags): C ${deb_CFLAGS} ${deb_CPPFLAGS}; "
    "C++ ${deb_CXXFLAGS} ${deb_CPPFLAGS}; linker ${deb_LDFLAGS}")
endif()

# The version, for the programs' --version (not installed).
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${PROJECT_BINARY_DIR}/generated/quillkit_version.h @ONLY)
add_library(quillkit_version INTERFACE)
target_include_directories(quillkit_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Installed trees find their own libraries wherever they are put, as
# relocatable trees do: a library looks beside itself ($ORIGIN), a program in
# the library folder as seen from the program folder. The build tree keeps the
# RUNPATH CMake gives it. An install into a system prefix (/usr, /usr/local)
# takes these out again, as the install runs (see QuillkitInstall): there the
# loader's own paths serve, and a Debian package carries no RUNPATH.
file(RELATIVE_PATH QUILLKIT_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(CMAKE_INSTALL_RPATH "$ORIGIN/${QUILLKIT_BIN_TO_LIB}")
if(QUILLKIT_INSTALL)
  # Where the kit's own files begin in the list of files an install writes
  # (an embedding project's install may have written some before).
  install(CODE "list(LENGTH CMAKE_INSTALL_MANIFEST_FILES _quillkit_first_file)" ALL_COMPONENTS)
endif()

# Embedded, the plain quillkit::<module> names follow the parent's
# BUILD_SHARED_LIBS: the static archives where it is OFF, the shared libraries
# otherwise (as on their own, and in the installed package). The _static
# names are always the archives.
set(QUILLKIT_PLAIN_STATIC OFF)
if(NOT PROJECT_IS_TOP_LEVEL AND DEFINED BUILD_SHARED_LIBS AND NOT BUILD_SHARED_LIBS)
  set(QUILLKIT_PLAIN_STATIC ON)
endif()

# The exported modules, in dependency order; QuillkitInstall reads this.
set_property(GLOBAL PROPERTY QUILLKIT_MODULES "")
set_property(GLOBAL PROPERTY QUILLKIT_HEADERS "")

# quillkit::quillkit, the whole kit under one name: an interface library that
# links every module under its plain name (each quillkit_add_module adds its
# own), exported with them.
add_library(quillkit_quillkit INTERFACE)
set_target_properties(quillkit_quillkit PROPERTIES EXPORT_NAME quillkit)
add_library(quillkit::quillkit ALIAS quillkit_quillkit)

function(quillkit_compile_options target)
  target_compile_features(${target} PRIVATE cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()

# quillkit_add_module(<name>
#   SOURCES <file>...         the module's sources
#   HEADERS <file>...         public headers (installed into include/quillkit)
#   EXPORTS <symbol>...       the functions the shared library exports
#   EXPORTS_1_1 <symbol>...   those added after 1.0.0 (version node QUILLKIT_1.1)
#   MODULES <module>...       other quillkit modules it calls (linked publicly)
#   PUBLIC <target>...        system libraries its headers need
#   PRIVATE <target>...)      system libraries only its code needs
#
# Compiles the sources once, as position-independent objects
# (quillkit_<name>_objects), and makes of them the shared library
# quillkit_<name> (lib<name>.so.<major>) and the static archive
# quillkit_<name>_static (lib<name>.a), with the aliases quillkit::<name>
# (the shared library; embedded with BUILD_SHARED_LIBS OFF, the archive) and
# quillkit::<name>_static. The modules are C++ inside, built without
# exceptions or RTTI and linked as C, so that neither library needs the C++
# runtime: a C program links either with the C linker alone.
function(quillkit_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;HEADERS;EXPORTS;EXPORTS_1_1;MODULES;PUBLIC;PRIVATE")

  foreach(header IN LISTS arg_HEADERS)
    get_filename_component(file ${header} NAME)
    configure_file(${header} ${QUILLKIT_BUILD_INCLUDEDIR}/quillkit/${file} COPYONLY)
    set_property(GLOBAL APPEND PROPERTY QUILLKIT_HEADERS ${CMAKE_CURRENT_SOURCE_DIR}/${header})
  endforeach()

  # Only the documented functions leave the shared library, under the
  # version node QUILLKIT_<major>; those added since 1.0.0 under a node of
  # their own, so that a program that calls them asks for it by name and a
  # 1.0.0 library refuses it at load time, naming the node.
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  list(JOIN arg_EXPORTS ";\n    " symbols)
  set(later "")
  if(arg_EXPORTS_1_1)
    list(JOIN arg_EXPORTS_1_1 ";\n    " symbols_1_1)
    set(later "QUILLKIT_${PROJECT_VERSION_MAJOR}.1 {\n  global:\n    ${symbols_1_1};\n} QUILLKIT_${PROJECT_VERSION_MAJOR};\n")
  endif()
  file(CONFIGURE OUTPUT ${map} CONTENT
    "QUILLKIT_${PROJECT_VERSION_MAJOR} {\n  global:\n    ${symbols};\n  local:\n    *;\n};\n${later}")

  set(objects quillkit_${name}_objects)
  set(shared quillkit_${name})
  set(static quillkit_${name}_static)
  set(include_dirs
    $<BUILD_INTERFACE:${QUILLKIT_BUILD_INCLUDEDIR}>
    $<BUILD_INTERFACE:${QUILLKIT_BUILD_INCLUDEDIR}/quillkit>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/quillkit>)

  add_library(${objects} OBJECT ${arg_SOURCES})
  set_target_properties(${objects} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${objects} PRIVATE ${include_dirs} ${CMAKE_CURRENT_SOURCE_DIR})
  quillkit_compile_options(${objects})
  target_compile_options(${objects} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  # Only the usage requirements (include folders, flags) reach the objects.
  target_link_libraries(${objects} PRIVATE ${arg_PUBLIC} ${arg_PRIVATE} quillkit_common_headers)

  add_library(${shared} SHARED $<TARGET_OBJECTS:${objects}>)
  add_library(${static} STATIC $<TARGET_OBJECTS:${objects}>)
  set_target_properties(${shared} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${name}
    INSTALL_RPATH "$ORIGIN"
    LINK_DEPENDS ${map})
  set_target_properties(${static} PROPERTIES EXPORT_NAME ${name}_static)
  # Linked as C: name libc, which the linker would otherwise drop from
  # libraries that call nothing in it directly.
  target_link_options(${shared} PRIVATE -Wl,--version-script=${map}
    LINKER:--push-state,--no-as-needed,-lc,--pop-state)
  if(NOT QUILLKIT_SANITIZE)
    # Every symbol the library needs must come from a library it names.
    target_link_options(${shared} PRIVATE -Wl,--no-undefined)
  endif()

  if(QUILLKIT_PLAIN_STATIC)
    add_library(quillkit::${name} ALIAS ${static})
    target_link_libraries(quillkit_quillkit INTERFACE ${static})
  else()
    add_library(quillkit::${name} ALIAS ${shared})
    target_link_libraries(quillkit_quillkit INTERFACE ${shared})
  endif()
  add_library(quillkit::${name}_static ALIAS ${static})
  foreach(target ${shared} ${static})
    set_target_properties(${target} PROPERTIES
      OUTPUT_NAME ${name}
      LINKER_LANGUAGE C
      POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${target} PUBLIC ${include_dirs})
    target_link_libraries(${target} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
  endforeach()
  foreach(module IN LISTS arg_MODULES)
    target_link_libraries(${shared} PUBLIC quillkit_${module})
    target_link_libraries(${static} PUBLIC quillkit_${module}_static)
    # The library names the module it calls (DT_NEEDED) and finds it beside
    # itself, so that a program needs to link only what it calls itself,
    # also where the toolchain links --as-needed (Debian's does).
    target_link_options(${shared} PRIVATE
      "LINKER:--push-state,--no-as-needed,$<TARGET_FILE:quillkit_${module}>,--pop-state")
  endforeach()

  set_property(GLOBAL APPEND PROPERTY QUILLKIT_MODULES ${name})
endfunction()

# quillkit_add_pkgconfig(<name>.pc.in): a pkg-config file for the install.
set_property(GLOBAL PROPERTY QUILLKIT_PKGCONFIG "")
function(quillkit_add_pkgconfig template)
  set_property(GLOBAL APPEND PROPERTY QUILLKIT_PKGCONFIG ${CMAKE_CURRENT_SOURCE_DIR}/${template})
endfunction()

# quillkit_add_manpage(<page>): a manual page, compressed as Debian ships
# them, for the tools' install.
set_property(GLOBAL PROPERTY QUILLKIT_MANPAGES "")
function(quillkit_add_manpage page)
  get_filename_component(name ${page} NAME)
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/${page})
  set(gz ${PROJECT_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${source} ${gz}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  add_custom_target(quillkit_man_${name} ALL DEPENDS ${gz})
  set_property(GLOBAL APPEND PROPERTY QUILLKIT_MANPAGES ${gz})
endfunction()
