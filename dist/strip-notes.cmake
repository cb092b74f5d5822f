# Run by CPack after it installed the stripped programs into its staging
# folder: drops the compiler's .comment section, which strip keeps and a
# Debian binary package does without. Fails the package when objcopy fails.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_OBJCOPY} --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objcopy could not clean ${program}")
  endif()
endforeach()
