# The snippet type as a desktop reads it: the installed MIME package compiled
# by update-mime-database into a private data folder, where *.cairo must be
# text/x-cairo-snippet, a kind of C source, and the desktop entry must claim
# that type and nothing else.
#   cmake -DMIME_XML=... -DDESKTOP=... -DUPDATE_MIME_DATABASE=... [-DGIO=...] -DWORK_DIR=... -P mime_type.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/mime/packages)
configure_file(${MIME_XML} ${WORK_DIR}/mime/packages/quillkit.xml COPYONLY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK_DIR} XDG_DATA_DIRS=${WORK_DIR}
    ${UPDATE_MIME_DATABASE} ${WORK_DIR}/mime
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "update-mime-database (${rc}):\n${out}\n${err}")
endif()
file(READ ${WORK_DIR}/mime/globs2 globs)
file(READ ${WORK_DIR}/mime/subclasses subclasses)
if(NOT globs MATCHES "\n[0-9]+:text/x-cairo-snippet:\\*\\.cairo\n")
  message(FATAL_ERROR "*.cairo is not text/x-cairo-snippet:\n${globs}")
endif()
if(NOT "\n${subclasses}\n" MATCHES "\ntext/x-cairo-snippet text/x-csrc\n")
  message(FATAL_ERROR "text/x-cairo-snippet is no kind of text/x-csrc:\n${subclasses}")
endif()
# What GIO (and so GTK's file choosers and file managers) makes of a snippet.
if(GIO)
  file(WRITE ${WORK_DIR}/hello.cairo "cairo_paint (cr);\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK_DIR}
      XDG_DATA_DIRS=${WORK_DIR}:/usr/share ${GIO} info -a standard::content-type ${WORK_DIR}/hello.cairo
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT out MATCHES "standard::content-type: text/x-cairo-snippet\n")
    message(FATAL_ERROR "gio takes hello.cairo for something else (${rc}):\n${out}\n${err}")
  endif()
endif()
file(READ ${DESKTOP} desktop)
string(REGEX MATCH "\nMimeType=[^\n]*" mime_line "${desktop}")
if(NOT mime_line STREQUAL "\nMimeType=text/x-cairo-snippet;")
  message(FATAL_ERROR "the desktop entry claims '${mime_line}'")
endif()
