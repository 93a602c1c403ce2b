# The manual pages of the libraries: one page in section 3 for each exported
# call and each symbol of a generated snippet module (calls documented
# together share a page; the others' pages are one-line ".so man3/<page>.3"
# stubs), and the overview quillkit(7). Included by QuillkitInstall, which
# installs them with the development files (libquillkit-dev).
#
# Each page is compressed at build time, as Debian ships them and as
# quillkit_add_manpage does for the programs' pages: gzip -9 -n, so that the
# file is the same from build to build. Sets QUILLKIT_MAN3_PAGES and
# QUILLKIT_MAN7_PAGES to the compressed files.
file(GLOB quillkit_man3_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/man3/*.3)
file(GLOB quillkit_man7_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/man7/*.7)

foreach(section 3 7)
  set(QUILLKIT_MAN${section}_PAGES "")
  set(out_dir ${PROJECT_BINARY_DIR}/man/man${section})
  file(MAKE_DIRECTORY ${out_dir})
  foreach(source IN LISTS quillkit_man${section}_sources)
    get_filename_component(name ${source} NAME)
    set(gz ${out_dir}/${name}.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${source} ${gz}
      DEPENDS ${source}
      COMMENT "Compressing the manual page ${name}"
      VERBATIM)
    list(APPEND QUILLKIT_MAN${section}_PAGES ${gz})
  endforeach()
endforeach()
add_custom_target(quillkit_man_library_pages ALL
  DEPENDS ${QUILLKIT_MAN3_PAGES} ${QUILLKIT_MAN7_PAGES})
