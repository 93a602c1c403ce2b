# The system libraries quillkit builds on, found through pkg-config.
#
# The imported targets carry a quillkit_ prefix and are global, so that an
# embedding project with pkg-config targets of its own sees no clash and can
# link the quillkit:: targets from any directory. The installed package config
# finds the same names again (quillkit-config.cmake).
find_package(PkgConfig REQUIRED)
pkg_check_modules(quillkit_cairo REQUIRED IMPORTED_TARGET GLOBAL cairo)
pkg_check_modules(quillkit_x11 REQUIRED IMPORTED_TARGET GLOBAL x11)
pkg_check_modules(quillkit_xrender REQUIRED IMPORTED_TARGET GLOBAL xrender)

# librsvg draws the SVG backgrounds of generated snippet modules; without it
# the kit is complete but for that.
pkg_check_modules(quillkit_rsvg QUIET IMPORTED_TARGET GLOBAL librsvg-2.0)
if(quillkit_rsvg_FOUND)
  set(QUILLKIT_HAVE_RSVG ON)
else()
  set(QUILLKIT_HAVE_RSVG OFF)
  message(STATUS "quillkit: librsvg-2.0 not found (Debian package librsvg2-dev): SVG backgrounds of snippets are left out")
endif()
