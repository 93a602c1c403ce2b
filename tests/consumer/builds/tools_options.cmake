# The installed programs do not hang on the examples: configured with
# QUILLKIT_BUILD_EXAMPLES=OFF, the kit still installs qxclock with its manual
# page and desktop entry; configured with QUILLKIT_BUILD_TOOLS=OFF, it says
# what it leaves out. Expects SOURCE_DIR, WORK_DIR, C_COMPILER, CXX_COMPILER.
cmake_minimum_required(VERSION 3.21)
file(REMOVE_RECURSE ${WORK_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

set(common -G Ninja -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_BUILD_TYPE=Release -DQUILLKIT_BUILD_TESTS=OFF -DQUILLKIT_BUILD_BENCH=OFF)

run("configure without tools" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/no-tools ${common}
    -DQUILLKIT_BUILD_TOOLS=OFF)
if(NOT run_output MATCHES "QUILLKIT_BUILD_TOOLS is off: qxclock and quillview are neither built nor installed")
  message(FATAL_ERROR "configure without tools did not say what it leaves out:\n${run_output}")
endif()

run("configure without examples" ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build ${common}
    -DQUILLKIT_BUILD_EXAMPLES=OFF)
run("build without examples" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("install without examples" ${CMAKE_COMMAND} --install ${WORK_DIR}/build --prefix ${WORK_DIR}/prefix)
foreach(file bin/qxclock share/man/man1/qxclock.1.gz share/applications/qxclock.desktop)
  if(NOT EXISTS ${WORK_DIR}/prefix/${file})
    message(FATAL_ERROR "the install without examples has no ${file}")
  endif()
endforeach()
run("the installed qxclock" ${WORK_DIR}/prefix/bin/qxclock --version)
if(NOT run_output MATCHES "^qxclock 1\\.")
  message(FATAL_ERROR "qxclock --version said:\n${run_output}")
endif()
