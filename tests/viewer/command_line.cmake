# The viewer's refusals and failures: each case gives the arguments, the
# exit status wanted and a pattern its standard error must match. WORK is a
# scratch directory.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/empty)
file(WRITE ${WORK}/plain-file "not a directory\n")

set(failures 0)
function(expect status pattern)
  execute_process(COMMAND ${VIEWER} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL "${status}" OR NOT err MATCHES "${pattern}")
    message(SEND_ERROR "quillkit-viewer ${ARGN}\n  wanted status ${status} and /${pattern}/\n"
      "  got status ${rc}, stderr:\n${err}")
  endif()
endfunction()

expect(2 "no output directory given")
expect(2 "unknown argument '--frobnicate'" --frobnicate --out ${WORK}/a)
expect(2 "--out needs a value" --out)
expect(2 "--size needs a value" --out ${WORK}/a --size)
foreach(bad 0 -3 8193 12x 99999999999999999999)
  expect(2 "--size wants a whole number from 1 to 8192, not '${bad}'"
    --out ${WORK}/a --size ${bad})
endforeach()
expect(1 "cannot make directory '${WORK}/plain-file': Not a directory"
  --out ${WORK}/plain-file --size 8)
expect(1 "cannot make directory '${WORK}/plain-file/sub'"
  --out ${WORK}/plain-file/sub --size 8)
expect(1 "cannot enter the assets directory '${WORK}/missing'"
  --out ${WORK}/a --size 8 --assets ${WORK}/missing)

# Missing background files are reported, drawn as nothing, and the run still
# completes; --out is made with its parents.
expect(0 "read_png_argb32: cannot read 'landscape.png'.*svg_cairo_parse: cannot read 'tiles.svg'"
  --out ${WORK}/deep/er/gallery --size 16 --assets ${WORK}/empty)
foreach(file png_background.png svg_background.png contact-sheet.png)
  if(NOT EXISTS ${WORK}/deep/er/gallery/${file})
    message(SEND_ERROR "no ${file} after the run without background files")
  endif()
endforeach()

execute_process(COMMAND ${VIEWER} --help RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "usage: quillkit-viewer --out DIR")
  message(SEND_ERROR "--help: status ${rc}, output:\n${out}")
endif()
