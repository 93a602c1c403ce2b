# One step of the consumer tests: builds and runs a plain C client of
# quillkit the way a user would. Every program runs in an environment of
# nothing but what a sanitizer build needs (env -i): installed programs and
# libraries find theirs through their RUNPATH and the loader's own paths.
#
#   STEP=install           install BUILD_DIR into PREFIX (a path with a space), run the
#                          installed programs, check the libraries' RUNPATH and DT_NEEDED
#   STEP=pkgconfig_shared  cc + pkg-config against the installed tree
#   STEP=pkgconfig_kit     cc + pkg-config quillkit (the whole kit), linked --as-needed:
#                          a program that calls every library names every one
#   STEP=qxface_only       a program on qxface alone, linked --as-needed: through
#                          pkg-config, and through find_package() installed on its own
#   STEP=pkgconfig_static  cc with the static archives, C linker only
#   STEP=cmake_shared      find_package(quillkit), shared targets
#   STEP=cmake_static      find_package(quillkit), _static targets
#   STEP=cmake_kit         find_package(quillkit), quillkit::quillkit alone, as pkgconfig_kit
#   STEP=embedded          add_subdirectory() of the source tree, with a snippet module:
#                          by default (shared libraries, run from the build tree), and
#                          with BUILD_SHARED_LIBS OFF (static, installed and run there)
#   STEP=snippets_cmake    quillkit_add_snippets() against the installed tree, built
#                          again after a snippet is edited
#   STEP=snippets_pkgconfig  quillmake and cc with the quillkit-snippets pkg-config module
#   STEP=snippets_meson    Meson with dependency('quillkit-snippets'), built again after
#                          a snippet is edited (skipped without meson)
#   STEP=uninstall         install into a fresh prefix, then the uninstall target twice
#   STEP=debian            cpack -G DEB of a build with Debian's hardening flags, lintian
#                          (no hardening tags), BIND_NOW and RELRO in every ELF file, a
#                          consumer of the unpacked packages
#   STEP=manpages          the manual pages render without a warning
#
# Expects BUILD_DIR, CONFIG (may be empty), WORK_DIR, PREFIX, SOURCE_DIR (the
# kit's source tree), C_COMPILER, GENERATOR, PKG_CONFIG, EXTRA_FLAGS (for
# sanitizer builds), SANITIZED, HAVE_RSVG (whether the kit draws SVG),
# HAVE_TOOLS (whether the build has the programs of tools/).
set(project_dir ${SOURCE_DIR}/tests/consumer)
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()

# run(<what> <command>...): runs the command, stops the test on failure, and
# leaves its standard output in run_output.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 600)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# The programs a user starts: the environment holds nothing but the
# sanitizers' options, so that only the files' RUNPATH and the loader's own
# paths find libraries.
set(clean_env env -i)
foreach(variable ASAN_OPTIONS UBSAN_OPTIONS)
  if(DEFINED ENV{${variable}})
    list(APPEND clean_env "${variable}=$ENV{${variable}}")
  endif()
endforeach()

# run_program(<what> <dir> <program> <arg>...): run_in() in that environment.
function(run_program what dir)
  run_in("${dir}" "${what}" ${clean_env} ${ARGN})
  set(run_output "${run_output}" PARENT_SCOPE)
endfunction()

# The shared libraries an ELF file names (DT_NEEDED), and its RUNPATH.
function(needed_libraries exe out_var)
  run("readelf" readelf -d "${exe}")
  string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" entries "${run_output}")
  list(TRANSFORM entries REPLACE "Shared library: \\[([^]]+)\\]" "\\1")
  set(${out_var} "${entries}" PARENT_SCOPE)
  set(runpath "")
  if(run_output MATCHES "\\((RUNPATH|RPATH)\\)[^[]*\\[([^]]*)\\]")
    set(runpath "${CMAKE_MATCH_2}")
  endif()
  set(${out_var}_runpath "${runpath}" PARENT_SCOPE)
endfunction()

# expect_needs(<file> <library>... [NOT <library>...]): the file names the
# first libraries in its DT_NEEDED and none of those after NOT.
function(expect_needs file)
  needed_libraries("${file}" needed)
  set(want TRUE)
  foreach(lib IN LISTS ARGN)
    if(lib STREQUAL "NOT")
      set(want FALSE)
      continue()
    endif()
    list(FIND needed ${lib} at)
    if(want AND at LESS 0)
      message(FATAL_ERROR "${file} does not name ${lib} (DT_NEEDED: ${needed})")
    elseif(NOT want AND NOT at LESS 0)
      message(FATAL_ERROR "${file} names ${lib} (DT_NEEDED: ${needed})")
    endif()
  endforeach()
endfunction()

# expect_linked(<exe> shared|static): the quillkit libraries are, or are not,
# loaded at run time; a static link needs no C++ runtime either.
function(expect_linked exe how)
  needed_libraries("${exe}" needed)
  foreach(lib qxface qxlogo qxhand shapekit visualpick)
    list(FIND needed lib${lib}.so.1 at)
    if(how STREQUAL "shared" AND at LESS 0)
      message(FATAL_ERROR "${exe} does not load lib${lib}.so.1 (needs: ${needed})")
    endif()
  endforeach()
  if(how STREQUAL "static" AND needed MATCHES "lib(qx|shapekit|visualpick|quillkit)")
    message(FATAL_ERROR "${exe} loads quillkit libraries although linked statically: ${needed}")
  endif()
  if(how STREQUAL "static" AND NOT SANITIZED AND needed MATCHES "libstdc\\+\\+")
    message(FATAL_ERROR "${exe} needs the C++ runtime: ${needed}")
  endif()
endfunction()

# Every shared library of the kit, which a program on the whole kit names.
set(kit_libraries libqxface.so.1 libqxlogo.so.1 libqxhand.so.1 libshapekit.so.1
    libvisualpick.so.1 libquillkit-snippets.so.1)

# The consumer's flags from pkg-config, as a list.
function(pkg_config_flags out_var)
  run("pkg-config" ${PKG_CONFIG} ${ARGN})
  string(STRIP "${run_output}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out_var} "${flags}" PARENT_SCOPE)
endfunction()

# run_in(<dir> <what> <command>...): run() with <dir> as working directory.
function(run_in dir what)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${dir}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# The snippet program's second argument: whether SVG backgrounds draw.
set(svg_arg nosvg)
if(HAVE_RSVG)
  set(svg_arg svg)
endif()

# A fresh copy of the snippet consumer in WORK_DIR/src, to build and edit.
function(copy_snippet_project)
  file(REMOVE_RECURSE ${WORK_DIR})
  file(COPY ${project_dir}/snippets/ DESTINATION ${WORK_DIR}/src)
  file(MAKE_DIRECTORY ${WORK_DIR}/run)
endfunction()

# Turns the rounded rectangle of the copied snippets from red to blue.
function(edit_rounded_snippet)
  set(file ${WORK_DIR}/src/rounded.cairo)
  file(READ ${file} text)
  string(REPLACE "cairo_set_source_rgb (cr, 1, 0, 0)" "cairo_set_source_rgb (cr, 0, 0, 1)" edited "${text}")
  if(edited STREQUAL text)
    message(FATAL_ERROR "rounded.cairo has no red source to edit")
  endif()
  file(WRITE ${file} "${edited}")
endfunction()

set(ENV{PKG_CONFIG_PATH} "${PREFIX}/lib/pkgconfig")
set(c_flags -x c -std=c99 -Wall -Wextra -Wpedantic -Werror ${extra})
# What a user adds to link against a kit installed outside the system's folders.
set(prefix_rpath "-Wl,-rpath,${PREFIX}/lib")

if(STEP STREQUAL "install")
  file(REMOVE_RECURSE "${PREFIX}")
  run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix "${PREFIX}" ${config_args})
  # The installed programs start from anywhere.
  set(programs quillmake)
  if(HAVE_TOOLS)
    list(APPEND programs qxclock)
  endif()
  foreach(program IN LISTS programs)
    run_program("the installed ${program}" "${PREFIX}" "${PREFIX}/bin/${program}" --version)
    if(NOT run_output STREQUAL "${program} 1.0.0\n")
      message(FATAL_ERROR "the installed ${program} --version says: ${run_output}")
    endif()
  endforeach()
  # A library that calls another of the kit's names it and finds it beside
  # itself, whatever the program names; the symbols keep their version node.
  set(lib "${PREFIX}/lib")
  expect_needs("${lib}/libqxface.so.1" libqxlogo.so.1 libcairo.so.2)
  expect_needs("${lib}/libquillkit-snippets.so.1" libshapekit.so.1)
  foreach(file libqxface.so.1 libquillkit-snippets.so.1 libvisualpick.so.1)
    needed_libraries("${lib}/${file}" needed)
    if(NOT needed_runpath STREQUAL "$ORIGIN")
      message(FATAL_ERROR "${file} has the RUNPATH '${needed_runpath}', not '$ORIGIN'")
    endif()
  endforeach()
  run("readelf -V" readelf -V "${lib}/libqxface.so.1")
  if(NOT run_output MATCHES "qxface_draw@@QUILLKIT_1|Name: QUILLKIT_1")
    message(FATAL_ERROR "libqxface.so.1 has no version node QUILLKIT_1:\n${run_output}")
  endif()

elseif(STEP STREQUAL "pkgconfig_shared")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  pkg_config_flags(flags --cflags --libs quillkit-clock quillkit-shapes quillkit-x11)
  if(NOT flags MATCHES "${PREFIX}/")
    message(FATAL_ERROR "pkg-config flags do not point into ${PREFIX}: ${flags}")
  endif()
  run("compile through pkg-config" ${C_COMPILER} ${c_flags} -DPREFIXED_INCLUDES
      ${project_dir}/project/consumer.c -o ${WORK_DIR}/consumer ${flags} ${prefix_rpath} ${extra})
  expect_linked(${WORK_DIR}/consumer shared)
  run_program("ldd" ${WORK_DIR} ldd ${WORK_DIR}/consumer)
  if(NOT run_output MATCHES "libqxface\\.so\\.1 => ${PREFIX}/lib/libqxface\\.so\\.1")
    message(FATAL_ERROR "the consumer does not load the installed libqxface.so.1:\n${run_output}")
  endif()
  run_program("consumer built through pkg-config" ${WORK_DIR} ${WORK_DIR}/consumer)
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "pkgconfig_kit")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  run("pkg-config --print-requires quillkit" ${PKG_CONFIG} --print-requires quillkit)
  foreach(module quillkit-clock quillkit-shapes quillkit-x11 quillkit-snippets)
    if(NOT run_output MATCHES "(^|\n)${module} = 1\\.0\\.0\n")
      message(FATAL_ERROR "quillkit.pc does not require ${module} = 1.0.0:\n${run_output}")
    endif()
  endforeach()
  pkg_config_flags(flags --cflags --libs quillkit)
  # --as-needed keeps only the libraries the program calls: all of them.
  run("compile through pkg-config quillkit" ${C_COMPILER} ${c_flags} -DPREFIXED_INCLUDES
      -DWITH_SNIPPETS ${project_dir}/project/consumer.c -o ${WORK_DIR}/consumer
      -Wl,--as-needed ${flags} ${prefix_rpath} ${extra})
  expect_needs(${WORK_DIR}/consumer ${kit_libraries})
  run_program("consumer built through pkg-config quillkit" ${WORK_DIR} ${WORK_DIR}/consumer)
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "qxface_only")
  # Linked --as-needed, as Debian's compiler does by default (but not for
  # sanitizer builds), the programs name libqxface alone.
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  pkg_config_flags(flags --cflags --libs quillkit-clock)
  run("compile the qxface program through pkg-config" ${C_COMPILER} ${c_flags}
      ${project_dir}/face/face_only.c -o ${WORK_DIR}/face_only -Wl,--as-needed ${flags} ${prefix_rpath} ${extra})
  expect_needs(${WORK_DIR}/face_only libqxface.so.1 NOT libqxlogo.so.1 libqxhand.so.1)
  run_program("the qxface program built through pkg-config" ${WORK_DIR} ${WORK_DIR}/face_only)
  message(STATUS "${run_output}")

  set(installed "${WORK_DIR}/installed program")
  run("configure the qxface program through find_package" ${CMAKE_COMMAND}
      -S ${project_dir}/face -B ${WORK_DIR}/build -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER}
      "-DCMAKE_PREFIX_PATH=${PREFIX}" "-DCMAKE_INSTALL_PREFIX=${installed}"
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
      "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=-Wl,--as-needed ${EXTRA_FLAGS}")
  run("build the qxface program" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  run("install the qxface program" ${CMAKE_COMMAND} --install ${WORK_DIR}/build)
  expect_needs("${installed}/bin/face_only" libqxface.so.1 NOT libqxlogo.so.1)
  run_program("the installed qxface program" ${WORK_DIR} "${installed}/bin/face_only")
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "pkgconfig_static")
  # The archives by name before the system libraries, headers by bare name,
  # linked by the C compiler driver alone.
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  # As the README writes it: the folder from pkg-config --libs-only-L, the
  # archives by -l between -Bstatic and -Bdynamic.
  pkg_config_flags(flags --cflags --libs-only-L quillkit-clock quillkit-shapes quillkit-x11)
  pkg_config_flags(system_libs --libs cairo x11 xrender)
  run("compile against the static archives" ${C_COMPILER} ${c_flags}
      ${project_dir}/project/consumer.c -o ${WORK_DIR}/consumer ${flags}
      -Wl,-Bstatic -lqxface -lqxlogo -lqxhand -lshapekit -lvisualpick -Wl,-Bdynamic
      ${system_libs} ${extra})
  expect_linked(${WORK_DIR}/consumer static)
  run_program("consumer linked statically" ${WORK_DIR} ${WORK_DIR}/consumer)
  message(STATUS "${run_output}")

elseif(STEP MATCHES "^cmake_(shared|static|kit)$")
  set(how ${CMAKE_MATCH_1})
  # quillkit::quillkit, linked --as-needed: the program names every library
  # because it calls each one.
  set(link_flags "${EXTRA_FLAGS}")
  if(how STREQUAL "kit")
    set(link_flags "-Wl,--as-needed ${EXTRA_FLAGS}")
  endif()
  file(REMOVE_RECURSE ${WORK_DIR})
  run("configure through find_package" ${CMAKE_COMMAND} -S ${project_dir}/project -B ${WORK_DIR}
      -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_PREFIX_PATH=${PREFIX}"
      -DQUILLKIT_LINK=${how}
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
      "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
  if(NOT run_output MATCHES "quillkit package: ${PREFIX}/")
    message(FATAL_ERROR "find_package(quillkit) did not pick the package in ${PREFIX}:\n${run_output}")
  endif()
  run("build through find_package" ${CMAKE_COMMAND} --build ${WORK_DIR})
  if(how STREQUAL "kit")
    expect_needs(${WORK_DIR}/consumer ${kit_libraries})
  else()
    expect_linked(${WORK_DIR}/consumer ${how})
  endif()
  run_program("consumer built through find_package" ${WORK_DIR} ${WORK_DIR}/consumer)
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "embedded")
  file(REMOVE_RECURSE ${WORK_DIR})
  set(embed_args -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} -DQUILLKIT_SOURCE_DIR=${SOURCE_DIR}
      "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
  # Left to its default, a parent gets the shared libraries under the plain
  # names (the embedding project checks the types as it is configured); its
  # programs run from its build tree.
  run("configure the embedding project for shared libraries" ${CMAKE_COMMAND}
      -S ${project_dir}/embed -B ${WORK_DIR}/shared ${embed_args} -DQUILLKIT_EXPECT=shared)
  run("build the embedding project for shared libraries" ${CMAKE_COMMAND} --build ${WORK_DIR}/shared)
  expect_linked(${WORK_DIR}/shared/consumer shared)
  expect_needs(${WORK_DIR}/shared/kit_consumer ${kit_libraries})
  file(MAKE_DIRECTORY ${WORK_DIR}/run)
  run_program("consumer of the embedded shared libraries" ${WORK_DIR}/run ${WORK_DIR}/shared/consumer)
  run_program("consumer of the embedded quillkit::quillkit" ${WORK_DIR}/run
      ${WORK_DIR}/shared/kit_consumer)
  run_program("snippet program of the embedded shared libraries" ${WORK_DIR}/run
      ${WORK_DIR}/shared/check_snippets ffff0000 ${svg_arg})
  # With BUILD_SHARED_LIBS OFF, the static archives: the installed programs
  # load none of the kit's libraries.
  set(installed "${WORK_DIR}/installed parent")
  run("configure the embedding project for static libraries" ${CMAKE_COMMAND}
      -S ${project_dir}/embed -B ${WORK_DIR}/static ${embed_args} -DQUILLKIT_EXPECT=static
      -DBUILD_SHARED_LIBS=OFF "-DCMAKE_INSTALL_PREFIX=${installed}")
  run("build the embedding project" ${CMAKE_COMMAND} --build ${WORK_DIR}/static)
  run("list the embedding project's tests" ${CMAKE_CTEST_COMMAND} -N --test-dir ${WORK_DIR}/static)
  if(NOT run_output MATCHES "Total Tests: 0")
    message(FATAL_ERROR "the embedded quillkit added tests:\n${run_output}")
  endif()
  run("install the embedding project" ${CMAKE_COMMAND} --install ${WORK_DIR}/static)
  foreach(program consumer kit_consumer check_snippets)
    expect_linked("${installed}/bin/${program}" static)
  endforeach()
  run_program("the installed consumer of the embedded kit" ${WORK_DIR}/run "${installed}/bin/consumer")
  message(STATUS "${run_output}")
  run_program("the installed consumer of the embedded quillkit::quillkit" ${WORK_DIR}/run
      "${installed}/bin/kit_consumer")
  message(STATUS "${run_output}")
  run_program("the installed snippet program of the embedded kit" ${WORK_DIR}/run
      "${installed}/bin/check_snippets" ffff0000 ${svg_arg})
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "snippets_cmake")
  copy_snippet_project()
  run("configure the snippet program" ${CMAKE_COMMAND} -S ${WORK_DIR}/src -B ${WORK_DIR}/build
      -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_PREFIX_PATH=${PREFIX}"
      -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
      "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
  if(NOT run_output MATCHES "quillkit package: ${PREFIX}/")
    message(FATAL_ERROR "find_package(quillkit) did not pick the package in ${PREFIX}:\n${run_output}")
  endif()
  run("build the snippet program" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  run_program("the snippet program" ${WORK_DIR}/run ${WORK_DIR}/build/check_snippets ffff0000 ${svg_arg})
  # Only the edited snippet's module is made again, and the program shows it.
  edit_rounded_snippet()
  run("build again after the edit" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  if(NOT run_output MATCHES "Generating the snippet module of check_snippets")
    message(FATAL_ERROR "editing a snippet did not make the module again:\n${run_output}")
  endif()
  run_program("the snippet program after the edit" ${WORK_DIR}/run ${WORK_DIR}/build/check_snippets ff0000ff ${svg_arg})
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "snippets_pkgconfig")
  copy_snippet_project()
  # pkg-config writes a space in a path as "\ ", for the shell to read.
  pkg_config_flags(quillmake --variable=quillmake quillkit-snippets)
  file(REAL_PATH "${quillmake}" quillmake)
  if(NOT quillmake STREQUAL "${PREFIX}/bin/quillmake")
    message(FATAL_ERROR "quillkit-snippets names the generator '${quillmake}', not ${PREFIX}/bin/quillmake")
  endif()
  run_program("the installed quillmake" ${WORK_DIR}/src "${quillmake}" rounded.cairo png.cairo svg.cairo)
  pkg_config_flags(flags --cflags --libs quillkit-snippets)
  # The generated module compiles unchanged with nothing but these flags.
  run_in(${WORK_DIR}/src "compile the module and the program through pkg-config" ${C_COMPILER}
      ${c_flags} snippets.c check_snippets.c -o ${WORK_DIR}/check_snippets ${flags} ${prefix_rpath} ${extra})
  run_program("the snippet program built through pkg-config" ${WORK_DIR}/run ${WORK_DIR}/check_snippets ffff0000 ${svg_arg})
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "snippets_meson")
  find_program(MESON meson)
  if(NOT MESON)
    message(STATUS "SKIPPED: meson is not installed (Debian package meson)")
    return()
  endif()
  copy_snippet_project()
  # Meson takes a pkg-config variable as it is written, "\ " and all: it gets
  # a copy of the installed tree in a path without a space (the tree works
  # wherever it is put).
  file(COPY "${PREFIX}/" DESTINATION ${WORK_DIR}/kit)
  set(ENV{PKG_CONFIG_PATH} ${WORK_DIR}/kit/lib/pkgconfig)
  set(ENV{CFLAGS} "${EXTRA_FLAGS}")
  set(ENV{LDFLAGS} "${EXTRA_FLAGS}")
  run("meson setup" ${MESON} setup ${WORK_DIR}/build ${WORK_DIR}/src)
  run("meson compile" ${MESON} compile -C ${WORK_DIR}/build)
  run_program("the snippet program built by Meson" ${WORK_DIR}/run ${WORK_DIR}/build/check_snippets ffff0000 ${svg_arg})
  edit_rounded_snippet()
  run("meson compile after the edit" ${MESON} compile -C ${WORK_DIR}/build)
  run_program("the Meson-built program after the edit" ${WORK_DIR}/run ${WORK_DIR}/build/check_snippets ff0000ff ${svg_arg})
  message(STATUS "${run_output}")

elseif(STEP STREQUAL "uninstall")
  # A prefix that other software shares: a file of its own in lib/pkgconfig.
  file(REMOVE_RECURSE ${WORK_DIR})
  set(prefix "${WORK_DIR}/shared prefix")
  set(foreign "${prefix}/lib/pkgconfig/other.pc")
  file(WRITE "${foreign}" "Name: other\n")
  run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix "${prefix}" ${config_args})
  file(GLOB_RECURSE installed LIST_DIRECTORIES false "${prefix}/*")
  list(REMOVE_ITEM installed "${foreign}")
  list(LENGTH installed count)
  if(count LESS 20)
    message(FATAL_ERROR "the install wrote only ${count} files: ${installed}")
  endif()
  # Twice: the second finds everything gone.
  foreach(round 1 2)
    run("uninstall (${round})" ${CMAKE_COMMAND} --build ${BUILD_DIR} --target uninstall ${config_args})
  endforeach()
  # The other file is the only one left, and no folder is named after the
  # kit or one of its deliverables.
  file(GLOB_RECURSE left LIST_DIRECTORIES false "${prefix}/*")
  if(NOT left STREQUAL foreign)
    message(FATAL_ERROR "uninstall left '${left}', where only ${foreign} should be")
  endif()
  file(GLOB_RECURSE left LIST_DIRECTORIES true RELATIVE "${prefix}" "${prefix}/*")
  list(FILTER left INCLUDE REGEX "quillkit|quillmake|qx|shapekit|visualpick")
  if(left)
    message(FATAL_ERROR "uninstall left the folders ${left}")
  endif()
  message(STATUS "uninstall removed all ${count} files and the kit's folders")

elseif(STEP STREQUAL "debian")
  file(REMOVE_RECURSE ${WORK_DIR})
  # A packager's build: installed under /usr, so the libraries take Debian's
  # multiarch directory, and compiled and linked with Debian's hardening flags.
  run("configure the packaging build" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
      -G ${GENERATOR} -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
      -DQUILLKIT_BUILD_TESTS=OFF -DQUILLKIT_BUILD_BENCH=OFF -DQUILLKIT_DEB_HARDENING=ON)
  if(NOT run_output MATCHES "quillkit: Debian's build flags[^\n]*-Wl,-z,now")
    message(FATAL_ERROR "the packaging build took no flags from dpkg-buildflags:\n${run_output}")
  endif()
  run("build for packaging" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  execute_process(COMMAND cpack -G DEB -B ${WORK_DIR}/packages --config ${WORK_DIR}/build/CPackConfig.cmake
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cpack failed (${rc}):\n${out}\n${err}")
  endif()

  set(debs)
  foreach(package libquillkit1 libquillkit-dev quillkit-tools)
    file(GLOB deb ${WORK_DIR}/packages/${package}_1.0.0_*.deb)
    if(NOT deb)
      message(FATAL_ERROR "cpack made no ${package} package:\n${out}")
    endif()
    list(APPEND debs ${deb})
    run("dpkg-deb -f" dpkg-deb -f ${deb})
    set(control_${package} "${run_output}")
    run("dpkg-deb -x" dpkg-deb -x ${deb} ${WORK_DIR}/root)
  endforeach()

  # Dependencies as dpkg-shlibdeps works them out, and the shlibs the
  # runtime package declares for them.
  foreach(check
      "libquillkit1|Depends: [^\n]*libcairo2"
      "libquillkit1|Section: libs"
      "libquillkit-dev|Depends: [^\n]*libquillkit1 \\(= 1\\.0\\.0\\)"
      "quillkit-tools|Depends: [^\n]*libquillkit1 \\(= 1\\.0\\.0\\)")
    string(REPLACE "|" ";" check "${check}")
    list(GET check 0 package)
    list(GET check 1 pattern)
    if(NOT control_${package} MATCHES "${pattern}")
      message(FATAL_ERROR "${package}: no '${pattern}' in its control file:\n${control_${package}}")
    endif()
  endforeach()
  list(GET debs 0 runtime_deb)
  run("dpkg-deb -e" dpkg-deb -e ${runtime_deb} ${WORK_DIR}/control)
  file(READ ${WORK_DIR}/control/shlibs shlibs)
  file(READ ${WORK_DIR}/control/triggers triggers)
  # Programs built against the packages take any later 1.x release.
  if(NOT shlibs MATCHES "libqxface 1 libquillkit1 \\(>= 1\\.0\\.0\\)" OR shlibs MATCHES "\\(= "
     OR NOT triggers MATCHES "activate-noawait ldconfig")
    message(FATAL_ERROR "libquillkit1 lacks its shlibs or ldconfig trigger:\n${shlibs}\n${triggers}")
  endif()
  # The snippet type: shared-mime-info's file trigger on this folder brings
  # the MIME database up to date when the package is installed or removed.
  if(NOT EXISTS ${WORK_DIR}/root/usr/share/mime/packages/quillkit.xml)
    message(FATAL_ERROR "quillkit-tools has no /usr/share/mime/packages/quillkit.xml")
  endif()
  foreach(package libquillkit1 libquillkit-dev quillkit-tools)
    foreach(doc copyright changelog.gz)
      if(NOT EXISTS ${WORK_DIR}/root/usr/share/doc/${package}/${doc})
        message(FATAL_ERROR "${package} has no /usr/share/doc/${package}/${doc}")
      endif()
    endforeach()
  endforeach()

  # The unpacked tree serves a consumer of the whole kit through its
  # relocatable .pc files.
  file(GLOB_RECURSE pc ${WORK_DIR}/root/*/quillkit.pc)
  get_filename_component(pcdir "${pc}" DIRECTORY)
  get_filename_component(libdir "${pcdir}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  pkg_config_flags(flags --cflags --libs quillkit)
  run("compile against the unpacked packages" ${C_COMPILER} ${c_flags} -DPREFIXED_INCLUDES
      -DWITH_SNIPPETS ${project_dir}/project/consumer.c -o ${WORK_DIR}/consumer ${flags}
      -Wl,-rpath,${libdir})
  run_program("ldd" ${WORK_DIR} ldd ${WORK_DIR}/consumer)
  if(NOT run_output MATCHES "libqxface\\.so\\.1 => ${libdir}/libqxface\\.so\\.1")
    message(FATAL_ERROR "the consumer does not load the unpacked libqxface.so.1:\n${run_output}")
  endif()
  run_program("consumer of the unpacked packages" ${WORK_DIR} ${WORK_DIR}/consumer)
  message(STATUS "${run_output}")
  # Installed under /usr, the packages' files carry no RUNPATH.
  foreach(file ${libdir}/libqxface.so.1 ${WORK_DIR}/root/usr/bin/qxclock)
    needed_libraries(${file} needed)
    if(NOT needed_runpath STREQUAL "")
      message(FATAL_ERROR "${file} has the RUNPATH '${needed_runpath}'")
    endif()
  endforeach()
  run_program("the packaged quillmake" ${WORK_DIR} ${WORK_DIR}/root/usr/bin/quillmake --version)
  if(NOT run_output STREQUAL "quillmake 1.0.0\n")
    message(FATAL_ERROR "the packaged quillmake says: ${run_output}")
  endif()

  # Every library and program of the packages is linked -z relro -z now: its
  # relocations are done at load time (BIND_NOW), and then made read-only
  # (a GNU_RELRO segment).
  file(GLOB elf_files ${libdir}/lib*.so.1.0.0 ${WORK_DIR}/root/usr/bin/*)
  list(LENGTH elf_files count)
  if(count LESS 7)
    message(FATAL_ERROR "the packages hold only ${count} libraries and programs: ${elf_files}")
  endif()
  foreach(file IN LISTS elf_files)
    run("readelf -d" readelf -d "${file}")
    if(NOT run_output MATCHES "\\(FLAGS\\)[^\n]*BIND_NOW|\\(FLAGS_1\\)[^\n]*NOW")
      message(FATAL_ERROR "${file} is not linked -z now (no BIND_NOW):\n${run_output}")
    endif()
    run("readelf -l" readelf -l "${file}")
    if(NOT run_output MATCHES "GNU_RELRO")
      message(FATAL_ERROR "${file} is not linked -z relro (no GNU_RELRO segment):\n${run_output}")
    endif()
  endforeach()

  # Last, as it may be missing: lintian must find no errors.
  find_program(LINTIAN lintian)
  if(NOT LINTIAN)
    message(STATUS "SKIPPED: lintian is not installed (Debian package lintian); the packages were not checked by it")
    return()
  endif()
  execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${debs}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
  message(STATUS "lintian:\n${out}")
  if(out MATCHES "(^|\n)E: ")
    message(FATAL_ERROR "lintian reports errors:\n${out}\n${err}")
  endif()

  # Nor any hardening tag, shown or overridden. The same lintian call must
  # see both tags in a library built without the flags, or its silence on the
  # packages proves nothing.
  set(hardening_tags hardening-no-bindnow,hardening-no-fortify-functions)
  set(bare ${WORK_DIR}/unhardened)
  file(MAKE_DIRECTORY ${bare}/root/DEBIAN ${bare}/root/usr/lib)
  file(WRITE ${bare}/unhardened.c [=[
#include <stdio.h>
#include <string.h>
int unhardened(char *out, unsigned long size, const char *in, int n)
{
    char copy[64];
    memcpy(copy, in, (unsigned long)n);
    return snprintf(out, size, "%d %s", n, copy);
}
]=])
  run("compile a library without the hardening flags" ${C_COMPILER} -O2 -fPIC -shared
      -U_FORTIFY_SOURCE -Wl,-z,lazy -Wl,-soname,libunhardened.so.1 ${bare}/unhardened.c
      -o ${bare}/root/usr/lib/libunhardened.so.1)
  run("dpkg-architecture" dpkg --print-architecture)
  string(STRIP "${run_output}" arch)
  file(WRITE ${bare}/root/DEBIAN/control "Package: libunhardened1\nVersion: 1.0\n"
    "Architecture: ${arch}\nMaintainer: Nobody <nobody@example.org>\n"
    "Description: a library built without hardening flags\n for the test's own lintian call\n")
  run("dpkg-deb --build" dpkg-deb --build --root-owner-group ${bare}/root ${bare}/unhardened.deb)
  set(files_unhardened ${bare}/unhardened.deb)
  set(files_packages ${debs})
  foreach(what unhardened packages)
    execute_process(COMMAND ${LINTIAN} --tags ${hardening_tags} -I --show-overrides
        --tag-display-limit 0 ${files_${what}}
      RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 600)
    message(STATUS "lintian --tags ${hardening_tags} (${what}):\n${out}")
    foreach(tag hardening-no-bindnow hardening-no-fortify-functions)
      if(what STREQUAL "unhardened" AND NOT out MATCHES "${tag}")
        message(FATAL_ERROR "lintian does not report ${tag} for a library built without "
          "the flags:\n${out}\n${err}")
      elseif(what STREQUAL "packages" AND out MATCHES "${tag}")
        message(FATAL_ERROR "lintian reports ${tag}:\n${out}\n${err}")
      endif()
    endforeach()
  endforeach()

elseif(STEP STREQUAL "manpages")
  find_program(MAN man)
  if(NOT MAN)
    message(STATUS "SKIPPED: man is not installed (Debian package man-db)")
    return()
  endif()
  set(ENV{MANWIDTH} 80)
  foreach(page generator/quillmake.1 tools/qxclock/qxclock.1)
    execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l ${SOURCE_DIR}/${page}
      RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE warnings TIMEOUT 60)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "" OR NOT text MATCHES "SYNOPSIS")
      message(FATAL_ERROR "man -l ${page}: status ${rc}, warnings:\n${warnings}")
    endif()
  endforeach()

else()
  message(FATAL_ERROR "unknown STEP '${STEP}'")
endif()
