# The libraries' manual pages, checked in an installed tree: every symbol the
# shared libraries export and every global symbol of a generated snippet
# module has a section 3 page that man finds and that documents it, no page is
# left over for a symbol that is gone, and every page renders without a
# warning from man or groff (the checks lintian makes of a package).
#
# Expects BUILD_DIR, CONFIG (may be empty), WORK_DIR, QUILLMAKE (the built
# generator), C_COMPILER and PKG_CONFIG.
cmake_minimum_required(VERSION 3.21)

foreach(tool man nm groff gzip)
  string(TOUPPER ${tool} var)
  find_program(${var} ${tool})
  if(NOT ${var})
    message(STATUS "SKIPPED: ${tool} is not installed (Debian packages man-db, binutils, groff-base, gzip)")
    return()
  endif()
endforeach()

# run(<what> <command>...): runs the command with a time limit, stops the
# test on failure, and leaves its standard output in run_output.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 120)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

# The environment lintian renders pages in; no MANPATH or MANOPT of the
# caller's gets in the way.
set(ENV{LC_ALL} C.UTF-8)
set(ENV{MANROFFSEQ} "")
set(ENV{MANWIDTH} 80)
unset(ENV{MANPATH})
unset(ENV{MANOPT})

# The libraries and the development files, as libquillkit1 and
# libquillkit-dev hold them (the pages go with the development files).
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()
foreach(component runtime development)
  run("install the ${component} files" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
      --component ${component} ${config_args})
endforeach()
set(mandir ${prefix}/share/man)
file(GLOB_RECURSE pc_files ${prefix}/*/quillkit-snippets.pc)
list(LENGTH pc_files n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "the install has ${n} quillkit-snippets.pc files: ${pc_files}")
endif()
get_filename_component(pcdir ${pc_files} DIRECTORY)
get_filename_component(libdir ${pcdir} DIRECTORY)

# global_symbols(<out_var> <nm argument>... <file>): the names of the defined
# global symbols (functions and data; not the version node, an absolute
# symbol), without their version.
function(global_symbols out_var)
  run("nm" ${NM} --defined-only ${ARGN})
  string(REGEX MATCHALL "[^\n]+" lines "${run_output}")
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *[BDGRSTVWi] ([A-Za-z_][A-Za-z0-9_]*)(@|$)")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

# What the shared libraries export: each development link lib<name>.so.
file(GLOB libraries ${libdir}/lib*.so)
if(NOT libraries)
  message(FATAL_ERROR "no shared library in ${libdir}")
endif()
set(symbols "")
foreach(library IN LISTS libraries)
  global_symbols(exported -D ${library})
  if(NOT exported)
    message(FATAL_ERROR "${library} exports nothing")
  endif()
  list(APPEND symbols ${exported})
endforeach()

# What a generated module defines: one made by quillmake and compiled against
# the installed headers, as a program of the user's would compile it.
set(module_dir ${WORK_DIR}/module)
file(MAKE_DIRECTORY ${module_dir})
file(WRITE ${module_dir}/dot.cairo "cairo_arc (cr, 0.5, 0.5, 0.25, 0, 2 * M_PI);\ncairo_fill (cr);\n")
execute_process(COMMAND ${QUILLMAKE} --output=snippets.c dot.cairo WORKING_DIRECTORY ${module_dir}
  RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quillmake failed (${rc}): ${err}")
endif()
set(ENV{PKG_CONFIG_PATH} ${pcdir})
run("pkg-config" ${PKG_CONFIG} --cflags quillkit-snippets)
string(STRIP "${run_output}" cflags)
separate_arguments(cflags UNIX_COMMAND "${cflags}")
run("compile the module" ${C_COMPILER} -c ${cflags} ${module_dir}/snippets.c
    -o ${module_dir}/snippets.o)
global_symbols(module_symbols --extern-only ${module_dir}/snippets.o)
if(NOT module_symbols)
  message(FATAL_ERROR "the generated module defines nothing")
endif()
list(APPEND symbols ${module_symbols})
list(REMOVE_DUPLICATES symbols)
list(SORT symbols)
message(STATUS "symbols: ${symbols}")

# The fixed sections of a page, in this order.
set(sections NAME SYNOPSIS DESCRIPTION PARAMETERS "WHAT IT CHANGES AND RESTORES" ERRORS
  "THREAD SAFETY" SINCE "SEE ALSO")
set(installed_targets "")
file(GLOB target_files ${libdir}/cmake/quillkit/*targets.cmake)
foreach(file IN LISTS target_files)
  file(READ ${file} text)
  string(REGEX MATCHALL "add_library\\(quillkit::[A-Za-z0-9_]+" found "${text}")
  list(TRANSFORM found REPLACE "add_library\\(" "")
  list(APPEND installed_targets ${found})
endforeach()
if(NOT installed_targets)
  message(FATAL_ERROR "no CMake targets installed in ${libdir}/cmake/quillkit")
endif()

set(failures "")
foreach(symbol IN LISTS symbols)
  # Its page is in section 3 of the installed tree, and man finds it there
  # (a stub, ".so man3/<page>.3", as the page it names)...
  unset(page)
  foreach(candidate ${mandir}/man3/${symbol}.3.gz ${mandir}/man3/${symbol}.3)
    if(EXISTS ${candidate})
      set(page ${candidate})
    endif()
  endforeach()
  if(NOT DEFINED page)
    string(APPEND failures "${symbol}: no share/man/man3/${symbol}.3(.gz)\n")
    continue()
  endif()
  execute_process(COMMAND ${MAN} -M ${mandir} -w ${symbol}
    RESULT_VARIABLE rc OUTPUT_VARIABLE found ERROR_VARIABLE err TIMEOUT 60)
  string(STRIP "${found}" found)
  get_filename_component(found_dir "${found}" DIRECTORY)
  if(NOT rc EQUAL 0 OR NOT found_dir STREQUAL "${mandir}/man3" OR NOT EXISTS "${found}")
    string(APPEND failures "${symbol}: man -w finds '${found}' (${rc}) ${err}\n")
    continue()
  endif()

  # ...and the page it shows (a stub's included page) documents the symbol.
  execute_process(COMMAND ${MAN} -M ${mandir} -E UTF-8 ${symbol}
    RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err TIMEOUT 60)
  if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    string(APPEND failures "${symbol}: man shows it with status ${rc}: ${err}\n")
    continue()
  endif()
  set(headings "")
  string(REGEX MATCHALL "\n[A-Z][A-Z ]*[A-Z]\n" lines "\n${text}")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    list(APPEND headings "${line}")
  endforeach()
  set(at -1)
  foreach(section IN LISTS sections)
    list(FIND headings "${section}" next)
    if(next LESS_EQUAL at)
      string(APPEND failures "${symbol}: no section '${section}' in its place (${headings})\n")
      break()
    endif()
    set(at ${next})
  endforeach()
  string(REGEX REPLACE ".*\nNAME\n(.*)\nSYNOPSIS\n.*" "\\1" name_part "${text}")
  string(REGEX REPLACE ".*\nSYNOPSIS\n(.*)\nDESCRIPTION\n.*" "\\1" synopsis "${text}")
  if(NOT name_part MATCHES "(^|[^A-Za-z0-9_])${symbol}([^A-Za-z0-9_]|$)")
    string(APPEND failures "${symbol}: its page's NAME does not name it:\n${name_part}\n")
  endif()

  # The synopsis includes an installed header that declares the symbol and
  # names pkg-config modules and CMake targets that the install has.
  string(REGEX MATCHALL "#include <quillkit/[A-Za-z0-9_]+\\.h>" includes "${synopsis}")
  set(declared FALSE)
  foreach(include IN LISTS includes)
    string(REGEX REPLACE ".*<quillkit/(.*)>" "\\1" header "${include}")
    if(EXISTS ${prefix}/include/quillkit/${header})
      file(READ ${prefix}/include/quillkit/${header} header_text)
      if(header_text MATCHES "[^A-Za-z0-9_]${symbol}[ \t]*[(\\[;]")
        set(declared TRUE)
      endif()
    endif()
  endforeach()
  if(NOT declared)
    string(APPEND failures "${symbol}: no installed header of its synopsis declares it (${includes})\n")
  endif()
  string(REGEX MATCHALL "pkg-config[ \n]+--cflags[ \n]+--libs[ \n]+quillkit-[a-z0-9]+" modules
    "${synopsis}")
  if(NOT modules)
    string(APPEND failures "${symbol}: its synopsis names no pkg-config module\n")
  endif()
  foreach(module IN LISTS modules)
    string(REGEX REPLACE ".*[ \n]" "" module "${module}")
    if(NOT EXISTS ${pcdir}/${module}.pc)
      string(APPEND failures "${symbol}: its synopsis names ${module}, which is not installed\n")
    endif()
  endforeach()
  string(REGEX MATCHALL "quillkit::[A-Za-z0-9_]+" targets "${synopsis}")
  if(NOT targets)
    string(APPEND failures "${symbol}: its synopsis names no CMake target\n")
  endif()
  foreach(target IN LISTS targets)
    if(NOT target IN_LIST installed_targets)
      string(APPEND failures "${symbol}: its synopsis names ${target}, which is not installed\n")
    endif()
  endforeach()
endforeach()

# No page is left over: every section 3 page names a symbol of the kit.
file(GLOB pages3 RELATIVE ${mandir}/man3 ${mandir}/man3/*)
foreach(file IN LISTS pages3)
  string(REGEX REPLACE "\\.3(\\.gz)?$" "" name "${file}")
  if(NOT name IN_LIST symbols)
    string(APPEND failures "man3/${file}: no installed library or generated module defines ${name}\n")
  endif()
endforeach()

# The overview is found in section 7 and names every symbol and the programs.
execute_process(COMMAND ${MAN} -M ${mandir} -E UTF-8 7 quillkit
  RESULT_VARIABLE rc OUTPUT_VARIABLE overview ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
  string(APPEND failures "quillkit(7): man shows it with status ${rc}: ${err}\n")
endif()
foreach(name IN LISTS symbols ITEMS quillmake qxclock quillview)
  if(NOT overview MATCHES "(^|[^A-Za-z0-9_])${name}([^A-Za-z0-9_]|$)")
    string(APPEND failures "quillkit(7) does not name ${name}\n")
  endif()
endforeach()

# Every installed page renders without a warning, as lintian renders it (from
# the top of the manual tree, so that stubs find their pages), and the full
# pages pass groff's own warnings too.
file(GLOB pages ${mandir}/man3/* ${mandir}/man7/*)
foreach(page IN LISTS pages)
  execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${page}
    WORKING_DIRECTORY ${mandir}
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE warnings TIMEOUT 60)
  if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
    string(APPEND failures "${page}: man --warnings says (${rc}):\n${warnings}\n")
  endif()
  set(source ${WORK_DIR}/source.man)
  if(page MATCHES "\\.gz$")
    execute_process(COMMAND ${GZIP} -dc ${page} OUTPUT_FILE ${source} RESULT_VARIABLE rc TIMEOUT 60)
  else()
    file(COPY_FILE ${page} ${source})
    set(rc 0)
  endif()
  file(READ ${source} head LIMIT 16)
  if(NOT rc EQUAL 0)
    string(APPEND failures "${page}: gzip -dc failed (${rc})\n")
  elseif(NOT head MATCHES "^\\.so ")
    execute_process(COMMAND ${GROFF} -man -ww -z ${source}
      RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE warnings TIMEOUT 60)
    if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
      string(APPEND failures "${page}: groff -man -ww says (${rc}):\n${warnings}\n")
    endif()
  endif()
endforeach()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "manual pages:\n${failures}")
endif()
list(LENGTH symbols n_symbols)
list(LENGTH pages n_pages)
message(STATUS "${n_symbols} symbols documented; ${n_pages} pages render without a warning")
