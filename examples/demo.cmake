# Runs each program on the bundled examples, each in a fresh folder under WORK (in the build
# tree), and shows what it prints and the files it writes. Everything goes to standard output, in
# order: the headers and file contents are written by child processes (cmake -E echo and cat)
# that share it with the programs, since message() would write them to standard error.
#   cmake -DEXAMPLES=... -DWORK=... -DVECPROD=... -DSERIESTATS=... -DFACTCALC=... -DFIBRATIO=...
#         -P demo.cmake

# Writes TEXT and a line end to standard output.
function(say text)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${text}")
endfunction()

function(show file)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${file}")
endfunction()

function(run title program folder)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "" "DATA;INPUT;RESULT" "")
  set(dir "${WORK}/${folder}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  set(input /dev/null)
  if(ARG_DATA)
    file(COPY "${ARG_DATA}" DESTINATION "${dir}")
    say("\n==== ${title}, in ${dir}\n---- vec.dat:")
    show("${ARG_DATA}")
  else()
    set(input "${ARG_INPUT}")
    say("\n==== ${title}, in ${dir}\n---- standard input:")
    show("${ARG_INPUT}")
  endif()
  say("---- output:")
  execute_process(COMMAND "${program}" WORKING_DIRECTORY "${dir}" INPUT_FILE "${input}"
                  RESULT_VARIABLE status)
  if(ARG_RESULT)
    say("---- ${ARG_RESULT}:")
    show("${dir}/${ARG_RESULT}")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${title} ended with status ${status}")
  endif()
endfunction()

run("vecprod" "${VECPROD}" vecprod DATA "${EXAMPLES}/vecprod/vec.dat" RESULT res_1.dat)
run("seriestats" "${SERIESTATS}" seriestats DATA "${EXAMPLES}/seriestats/vec.dat")
run("factcalc" "${FACTCALC}" factcalc INPUT "${EXAMPLES}/factcalc.txt")
run("fibratio" "${FIBRATIO}" fibratio INPUT "${EXAMPLES}/fibratio.txt")
