# quillkit_add_snippets(<target> <file.cairo>...)
#
# Generates the snippet module of <target> from the given snippet files with
# quillmake, compiles it into the target and links quillkit::snippets, which
# supplies everything the module needs. Relative paths are taken from the
# current source directory. Each snippet is named after its file, less the
# ".cairo": card.cairo runs as snippet "card". The module is written in a
# folder of the target's own in the current binary directory, with line
# directives, so that a compiler reports an error in a snippet at the
# snippet's name and line; it is made again whenever a snippet changes.
# Call it once per target.
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

  # quillmake names a snippet after its argument, so it runs on copies of the
  # snippets given plain file names.
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_snippets)
  set(sources)
  set(names)
  foreach(file IN LISTS ARGN)
    get_filename_component(source "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    get_filename_component(name "${file}" NAME)
    if(NOT name MATCHES "^[^-].*\\.cairo$")
      message(FATAL_ERROR "quillkit_add_snippets: '${file}' is not a snippet: "
        "its name must end in .cairo and not begin with '-'")
    endif()
    if(name IN_LIST names)
      message(FATAL_ERROR "quillkit_add_snippets: two snippets of ${target} are named '${name}'")
    endif()
    list(APPEND sources "${source}")
    list(APPEND names "${name}")
  endforeach()

  set(copy_command)
  if(sources)
    set(copy_command COMMAND ${CMAKE_COMMAND} -E copy_if_different ${sources} ${dir})
  endif()
  add_custom_command(
    OUTPUT ${dir}/snippets.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    ${copy_command}
    COMMAND quillkit::quillmake --line-directives --output=${dir}/snippets.c ${names}
    WORKING_DIRECTORY ${dir}
    DEPENDS ${sources} quillkit::quillmake
    COMMENT "Generating the snippet module of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${dir}/snippets.c)
  target_link_libraries(${target} PRIVATE quillkit::snippets)
endfunction()
