cmake_minimum_required(VERSION 3.21)
# Snippet builds that follow every change: a program on snippets, built with
# SYSTEM (cmake: quillkit_add_snippets() through GENERATOR; meson: Meson's
# example recipe) from the kit installed in PREFIX. Each change (edit, add,
# remove, rename) must reach the program on the next build, and the build
# after that must have nothing to do. Expects SOURCE_DIR, PREFIX, WORK_DIR,
# SYSTEM, GENERATOR, C_COMPILER, EXTRA_FLAGS.
set(src ${WORK_DIR}/src)
set(build ${WORK_DIR}/build)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${src})
foreach(file CMakeLists.txt meson.build list_snippets.c)
  file(COPY ${SOURCE_DIR}/tests/consumer/builds/${file} DESTINATION ${src})
endforeach()
file(WRITE "${src}/a.cairo" "cairo_fill (cr);\n")
file(WRITE "${src}/b.cairo" "cairo_stroke (cr);\n")

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

# Meson names its snippets in meson.build: a change of snippets is a change
# of that list, as a user makes it.
function(name_snippets)
  if(SYSTEM STREQUAL "meson")
    file(READ ${src}/meson.build text)
    set(list "")
    foreach(name IN LISTS ARGN)
      string(APPEND list "'${name}.cairo', ")
    endforeach()
    string(REGEX REPLACE "\nnames = \\[[^]]*\\]" "\nnames = [${list}]" text "${text}")
    file(WRITE ${src}/meson.build "${text}")
  endif()
endfunction()

set(ENV{CFLAGS} "${EXTRA_FLAGS}")
# CMake gives the program a RUNPATH to the kit's libraries; with Meson the
# user names the folder, as for any library outside the loader's paths.
set(ENV{LDFLAGS} "${EXTRA_FLAGS}")
if(SYSTEM STREQUAL "cmake")
  run("configure" ${CMAKE_COMMAND} -S ${src} -B ${build} -G ${GENERATOR}
      -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${PREFIX}
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
  set(build_command ${CMAKE_COMMAND} --build ${build})
else()
  find_program(MESON meson)
  if(NOT MESON)
    message(STATUS "SKIPPED: meson is not installed (Debian package meson)")
    return()
  endif()
  # pkg-config writes a blank in a path as "\ ", which Meson takes as it
  # stands: Meson gets a copy of the installed tree in a path without one
  # (the tree works wherever it is put).
  file(COPY "${PREFIX}/" DESTINATION ${WORK_DIR}/kit)
  set(PREFIX ${WORK_DIR}/kit)
  set(ENV{LDFLAGS} "${EXTRA_FLAGS} -Wl,-rpath,${PREFIX}/lib")
  set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
  name_snippets(a b)
  run("meson setup" ${MESON} setup ${build} ${src})
  set(build_command ${MESON} compile -C ${build})
endif()

# step(<label> <expected names>...): builds, checks that the module was made
# and that the program lists the names, then builds once more for nothing.
function(step label)
  run("build after '${label}'" ${build_command})
  if(NOT run_output MATCHES "snippets\\.c|snippet module")
    message(FATAL_ERROR "'${label}' did not make the module again:\n${run_output}")
  endif()
  run("the program after '${label}'" ${build}/list_snippets)
  string(REPLACE "\n" ";" listed "${run_output}")
  list(REMOVE_ITEM listed "")
  if(NOT listed STREQUAL "${ARGN}")
    message(FATAL_ERROR "after '${label}' the program has the snippets '${listed}', not '${ARGN}'")
  endif()
  run("build again after '${label}'" ${build_command})
  if(NOT run_output MATCHES "no work to do")
    message(FATAL_ERROR "the build after '${label}' was not empty:\n${run_output}")
  endif()
endfunction()

step("first build" a b)
file(WRITE "${src}/a.cairo" "cairo_paint (cr);\n")
step("edit" a b)
file(WRITE "${src}/c d.cairo" "cairo_fill (cr);\n")
name_snippets(a b "c d")
step("add" a b "c d")
file(REMOVE "${src}/b.cairo")
name_snippets(a "c d")
step("remove" a "c d")
# (CMake's own copy of a dependency file keeps the escapes of blanks but
# drops those of '$' and '#', so neither stands in a name here; Make reads
# quillmake's escapes of both right, tests/generator/make_test.cpp.)
file(RENAME "${src}/c d.cairo" "${src}/e.cairo")
name_snippets(a "e")
step("rename" a "e")
message(STATUS "${SYSTEM}: every change reached the program, and no build did more than it had to")
