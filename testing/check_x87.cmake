# Checks that a program built with the software model does no x87 arithmetic: no x87 instruction
# in its code (every mnemonic that starts with f, apart from fxsave/fxrstor, which save the
# registers), and no call into the library's long double code (the stream's printing of one).
#   cmake -DOBJDUMP=objdump -DNM=nm -DPROGRAM=file -P check_x87.cmake
execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn "${PROGRAM}"
                OUTPUT_VARIABLE code RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -d ${PROGRAM} failed with status ${status}")
endif()
string(REGEX MATCHALL "\tf[a-z0-9]*" mnemonics "${code}")
list(FILTER mnemonics EXCLUDE REGEX "^\tfx(save|rstor)")
list(LENGTH mnemonics count)
if(count GREATER 0)
  list(REMOVE_DUPLICATES mnemonics)
  string(REPLACE "\t" " " mnemonics "${mnemonics}")
  message(FATAL_ERROR "${count} x87 instructions in ${PROGRAM}:${mnemonics}")
endif()

execute_process(COMMAND ${NM} -D -C --undefined-only "${PROGRAM}"
                OUTPUT_VARIABLE imports RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} -D ${PROGRAM} failed with status ${status}")
endif()
string(REGEX MATCHALL "[^\n]*long double[^\n]*" wide "${imports}")
if(wide)
  message(FATAL_ERROR "${PROGRAM} uses the library's long double:\n${wide}")
endif()
