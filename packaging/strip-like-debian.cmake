# Run by CPack on the staged package tree: strips every ELF file the way dh_strip does,
# dropping the .comment and .note sections that a plain strip keeps.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(path IN LISTS staged)
  if(IS_SYMLINK "${path}")
    continue()
  endif()
  file(READ "${path}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(
    COMMAND "${CPACK_TRESSIK_STRIP}" --remove-section=.comment --remove-section=.note --strip-unneeded "${path}"
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not strip ${path}")
  endif()
endforeach()
