# The example viewer copied into a project of its own (examples/viewer with
# examples/snippets beside it) builds as written against the kit installed
# in PREFIX, and renders its gallery. Expects SOURCE_DIR, PREFIX, WORK_DIR,
# C_COMPILER, EXTRA_FLAGS.
cmake_minimum_required(VERSION 3.21)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/project)
file(COPY ${SOURCE_DIR}/examples/viewer ${SOURCE_DIR}/examples/snippets
  DESTINATION ${WORK_DIR}/project)

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

run("configure the copied viewer" ${CMAKE_COMMAND} -S ${WORK_DIR}/project/viewer
    -B ${WORK_DIR}/build -G Ninja -DCMAKE_C_COMPILER=${C_COMPILER}
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
run("build the copied viewer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run("the copied viewer" ${WORK_DIR}/build/quillkit-viewer --out ${WORK_DIR}/gallery --size 16)
if(NOT EXISTS ${WORK_DIR}/gallery/contact-sheet.png)
  message(FATAL_ERROR "the copied viewer wrote no contact sheet")
endif()
