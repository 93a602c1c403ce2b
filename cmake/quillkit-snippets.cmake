# quillkit_add_snippets(<target> <file.cairo>...)
#
# Generates the snippet module of <target> from the given snippet files with
# quillmake, compiles it into the target and links quillkit::snippets, which
# supplies everything the module needs. Relative paths are taken from the
# current source directory.
#
# Snippets are named after their files, less the ".cairo": card.cairo runs
# as snippet "card". quillmake reads the snippets where they are (no copies):
# it runs in their folder, so snippets from one folder are named by their
# base names. Snippets from several folders are named by their paths relative
# to the current source directory instead (art/card.cairo runs as
# "art/card").
#
# The module is written in a folder of the target's own in the current
# binary directory, with line directives that name each snippet by its
# absolute path, so that a compiler error in a snippet opens in any editor
# at the snippet's own line. A dependency file makes the module again
# whenever a snippet changes, appears or goes.
#
# One call per target: a second call on the same target is an error.
#
# Comes with find_package(quillkit) (where quillkit's tools are installed,
# which provide quillkit::quillmake) and with add_subdirectory() of the kit.
include_guard(GLOBAL)

function(quillkit_add_snippets target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "quillkit_add_snippets: no target named '${target}'")
  endif()
  if(NOT TARGET quillkit::quillmake)
    message(FATAL_ERROR "quillkit_add_snippets: quillmake is not available "
      "(install quillkit's tools, Debian package quillkit-tools)")
  endif()
  get_target_property(done ${target} QUILLKIT_SNIPPETS)
  if(done)
    message(FATAL_ERROR "quillkit_add_snippets: the target '${target}' has its snippets "
      "already; give all of them in one call")
  endif()

  set(sources)
  set(folders)
  foreach(file IN LISTS ARGN)
    get_filename_component(source "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(name "${file}" NAME)
    if(NOT name MATCHES "^[^-].*\\.cairo$")
      message(FATAL_ERROR "quillkit_add_snippets: '${file}' is not a snippet: "
        "its name must end in .cairo and not begin with '-'")
    endif()
    get_filename_component(folder "${source}" DIRECTORY)
    list(APPEND sources "${source}")
    list(APPEND folders "${folder}")
  endforeach()
  list(REMOVE_DUPLICATES folders)
  list(LENGTH folders folder_count)

  # From one folder, quillmake runs there on the base names; from several,
  # in the current source directory on the relative paths.
  if(folder_count EQUAL 1)
    set(workdir "${folders}")
  else()
    set(workdir "${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  set(arguments)
  set(names)
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH argument "${workdir}" "${source}")
    string(REGEX REPLACE "\\.cairo$" "" name "${argument}")
    if(name IN_LIST names)
      message(FATAL_ERROR "quillkit_add_snippets: two snippets of ${target} are named '${name}'")
    endif()
    list(APPEND names "${name}")
    list(APPEND arguments "${argument}")
  endforeach()

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_snippets)
  file(MAKE_DIRECTORY ${dir})
  add_custom_command(
    OUTPUT ${dir}/snippets.c
    COMMAND quillkit::quillmake --line-directives --output=${dir}/snippets.c
            --depfile=${dir}/snippets.d ${arguments}
    WORKING_DIRECTORY "${workdir}"
    DEPENDS ${sources} quillkit::quillmake
    DEPFILE ${dir}/snippets.d
    COMMENT "Generating the snippet module of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${dir}/snippets.c)
  target_link_libraries(${target} PRIVATE quillkit::snippets)
  set_target_properties(${target} PROPERTIES QUILLKIT_SNIPPETS ON)
endfunction()
