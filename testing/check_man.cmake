# Checks that a manual page formats without a single warning and renders with man -l.
#   cmake -DPAGE=file.1 [-DGROFF=groff] [-DMAN_PROGRAM=man] -P check_man.cmake
execute_process(COMMAND ${GROFF} -man -ww -z ${PAGE}
                RESULT_VARIABLE status ERROR_VARIABLE warnings OUTPUT_QUIET)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff -man -ww -z ${PAGE}: status ${status}\n${warnings}")
endif()
if(MAN_PROGRAM)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80
                          ${MAN_PROGRAM} -l ${PAGE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "" OR NOT text MATCHES "EXIT STATUS")
    message(FATAL_ERROR "man -l ${PAGE}: status ${status}\n${errors}")
  endif()
endif()
