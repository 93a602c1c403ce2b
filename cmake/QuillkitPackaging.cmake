# Debian packages: `cpack -G DEB` in a build tree.
#
#   libquillkit1      the shared libraries                  (component runtime)
#   libquillkit-dev   headers, static archives, .so links,  (component development)
#                     pkg-config files, CMake package
#   quillkit-tools    quillmake, qxclock, quillview, manual pages (component tools)
#
# The packages install under /usr. Configure the build with
# -DCMAKE_INSTALL_PREFIX=/usr to get Debian's multiarch library directory
# (/usr/lib/<triplet>); otherwise the libraries go to /usr/lib.
set(debian_dir ${CMAKE_CURRENT_LIST_DIR}/debian)
set(packages runtime:libquillkit1 development:libquillkit-dev tools:quillkit-tools)

# Every package carries the copyright file and the changelog in its own
# /usr/share/doc folder, as Debian policy asks. These rules are left out of a
# plain `cmake --install` (EXCLUDE_FROM_ALL) and taken only into the packages.
set(changelog_gz ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9 -n -c ${debian_dir}/changelog > ${changelog_gz}
  DEPENDS ${debian_dir}/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(quillkit_debian_docs ALL DEPENDS ${changelog_gz})
foreach(entry IN LISTS packages)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 component)
  list(GET entry 1 package)
  install(FILES ${debian_dir}/copyright ${changelog_gz}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_PACKAGE_NAME quillkit)
set(CPACK_PACKAGE_VENDOR "The quillkit developers")
set(CPACK_PACKAGE_CONTACT "The quillkit developers <quillkit@users.noreply.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package has a synopsis of its own, the first line of its description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The tools link the libraries of the runtime package: dpkg-shlibdeps finds
# them in the build tree (and leaves the dependency on them to us).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${PROJECT_BINARY_DIR}/clock ${PROJECT_BINARY_DIR}/shapes ${PROJECT_BINARY_DIR}/x11
  ${PROJECT_BINARY_DIR}/snippets)
# Programs built against libquillkit1 depend on it at this version or any
# later one ("libqxface 1 libquillkit1 (>= 1.0.0)"): a release of the same
# major version keeps every symbol (version node QUILLKIT_1) and the SONAME.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libquillkit1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# dpkg's ldconfig trigger refreshes the linker cache (CPack also writes
# postinst and postrm scripts that call ldconfig).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${debian_dir}/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
"cairo drawing components: analogue clock, path shapes, ARGB visual
quillkit is a small kit of C functions that draw with the cairo 2D graphics
library: an analogue clock (face, logo and hands for the current time), two
path shapes in the style of cairo's own path calls (a rounded rectangle and an
S-shaped edge line), the lookup of a 32-bit visual with alpha for translucent
X11 windows, and the runtime of drawing snippets turned into C by quillmake.

This package contains the shared libraries qxhand, qxlogo, qxface, shapekit,
visualpick and quillkit-snippets.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillkit-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "libquillkit1 (= ${PROJECT_VERSION}), libcairo2-dev, libx11-dev, libxrender-dev")
if(QUILLKIT_HAVE_RSVG)
  # The snippet runtime's pkg-config file and static archive name librsvg.
  string(APPEND CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ", librsvg2-dev")
endif()
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
"cairo drawing components - development files
quillkit is a small kit of C functions that draw with the cairo 2D graphics
library: an analogue clock, two path shapes, the lookup of an ARGB visual
for translucent X11 windows, and the runtime of generated snippet modules.

This package contains the headers, the static libraries, the pkg-config
files (quillkit-clock, quillkit-shapes, quillkit-x11, quillkit-snippets),
the CMake package (find_package(quillkit)) with quillkit_add_snippets(), and
the manual pages of the library calls (section 3) with the overview
quillkit(7).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quillkit-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
# qxclock loads the kit's libraries; dpkg-shlibdeps adds the rest. quillview
# links libtcc statically (Debian ships no shared one), and libtcc compiles
# against tcc's own headers and runtime archive (/usr/lib/<triplet>/tcc).
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libquillkit1 (= ${PROJECT_VERSION})")
if(QUILLKIT_WITH_LIBTCC)
  string(APPEND CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS ", tcc")
endif()
# quillview compiles snippets against the kit's headers with a C compiler.
# The snippet type (share/mime/packages/quillkit.xml) reaches the MIME
# database through shared-mime-info's file trigger on that folder, and the
# desktop entry reaches the menus through desktop-file-utils' trigger, as
# Debian does for every package: no maintainer scripts of our own.
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS
  "libquillkit-dev (= ${PROJECT_VERSION}), gcc | c-compiler, shared-mime-info")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
"cairo drawing components - snippet generator, playground and desktop clock
quillkit is a small kit of C functions that draw with the cairo 2D graphics
library.

This package contains quillmake, which turns drawing snippets (files of C
statements on a cairo context) into one C module at build time; quillview,
a live playground that draws each snippet beside its source and redraws it
as it is edited, and exports snippets to PNG, SVG, PDF and an HTML gallery;
and qxclock, the kit's analogue clock as a desktop program and as a PNG
writer.")

include(CPack)
