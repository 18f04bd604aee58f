# Runs each program on the bundled examples, each in a fresh folder under WORK (in the build
# tree), and shows what it prints and the files it writes.
#   cmake -DEXAMPLES=... -DWORK=... -DVECPROD=... -DSERIESTATS=... -DFACTCALC=... -DFIBRATIO=...
#         -P demo.cmake

function(run title program folder)
  cmake_parse_arguments(PARSE_ARGV 3 ARG "" "DATA;INPUT;RESULT" "")
  set(dir "${WORK}/${folder}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  set(input /dev/null)
  if(ARG_DATA)
    file(COPY "${ARG_DATA}" DESTINATION "${dir}")
    file(READ "${ARG_DATA}" text)
    message("\n==== ${title}\n---- vec.dat:\n${text}---- output:")
  else()
    set(input "${ARG_INPUT}")
    file(READ "${ARG_INPUT}" text)
    message("\n==== ${title}\n---- standard input:\n${text}---- output:")
  endif()
  execute_process(COMMAND "${program}" WORKING_DIRECTORY "${dir}" INPUT_FILE "${input}"
                  RESULT_VARIABLE status)
  if(ARG_RESULT)
    file(READ "${dir}/${ARG_RESULT}" text)
    message("---- ${ARG_RESULT}:\n${text}")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${title} ended with status ${status}")
  endif()
endfunction()

run("vecprod" "${VECPROD}" vecprod DATA "${EXAMPLES}/vecprod/vec.dat" RESULT res_1.dat)
run("seriestats" "${SERIESTATS}" seriestats DATA "${EXAMPLES}/seriestats/vec.dat")
run("factcalc" "${FACTCALC}" factcalc INPUT "${EXAMPLES}/factcalc.txt")
run("fibratio" "${FIBRATIO}" fibratio INPUT "${EXAMPLES}/fibratio.txt")
