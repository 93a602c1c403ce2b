# Installs the current build into a fresh prefix, then builds and runs the C
# consumer against it twice: once with flags from pkg-config, once through
# find_package(quill).
#
# Expects: BUILD_DIR, CONFIG (may be empty), WORK_DIR, LIBDIR, SOURCE_DIR,
# C_COMPILER, GENERATOR, PKG_CONFIG, EXTRA_FLAGS (for sanitizer builds).

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_args})

# 1. pkg-config, plain compiler call.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run("pkg-config" ${PKG_CONFIG} --cflags --libs quill-clock quill-shapes quill-x11)
string(STRIP "${run_output}" pc_flags)
message(STATUS "pkg-config: ${pc_flags}")
string(FIND "${pc_flags}" "${prefix}/" at)
if(at LESS 0)
  message(FATAL_ERROR "pkg-config flags do not point into ${prefix}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
run("compile through pkg-config" ${C_COMPILER} -x c -std=c99 -Wall -Wextra -Wpedantic -Werror
    ${extra} ${SOURCE_DIR}/consumer.c -o ${WORK_DIR}/consumer-pkgconfig ${pc_flags} ${extra})
run("consumer built through pkg-config" ${WORK_DIR}/consumer-pkgconfig)
message(STATUS "pkg-config consumer: ${run_output}")

# 2. find_package(quill), a C-only CMake project.
run("configure through find_package" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-build
    -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
    "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
string(FIND "${run_output}" "quill package: ${prefix}/" at)
if(at LESS 0)
  message(FATAL_ERROR "find_package(quill) did not pick the package in ${prefix}:\n${run_output}")
endif()
run("build through find_package" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run("consumer built through find_package" ${WORK_DIR}/cmake-build/consumer)
message(STATUS "find_package consumer: ${run_output}")
