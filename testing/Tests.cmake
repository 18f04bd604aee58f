# Test registration shared by the four programs' test folders.
find_package(GTest REQUIRED)
include(GoogleTest)

# add_golden_cases(PROGRAM CASES_DIR [RESULT NAME] [LABELS LABEL...])
#
# Registers one test per folder in CASES_DIR: `golden` runs PROGRAM on that case in a scratch
# directory and compares standard output, standard error, the exit status and the files the case
# names (see testing/golden.cpp). A new case is a new folder; no code changes. LABELS are added
# to the labels golden and PROGRAM (the test presets leave out the label slow).
function(add_golden_cases program cases_dir)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "RESULT" "LABELS")
  set(options)
  if(SANITIZE)
    list(APPEND options --sanitized)
  endif()
  if(ARG_RESULT)
    list(APPEND options --result ${ARG_RESULT})
  endif()
  set(labels golden ${program} ${ARG_LABELS})
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS "${cases_dir}/*")
  foreach(dir IN LISTS entries)
    if(IS_DIRECTORY "${dir}")
      cmake_path(GET dir FILENAME name)
      add_test(NAME ${program}.${name}
               COMMAND golden ${options} $<TARGET_FILE:${program}> ${dir})
      set_tests_properties(${program}.${name} PROPERTIES LABELS "${labels}" TIMEOUT 150)
    endif()
  endforeach()
endfunction()

# add_unit_tests(NAME SOURCES... LIBRARIES...) via named arguments: a GoogleTest executable whose
# tests are registered one by one.
function(add_unit_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBRARIES")
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS "unit" DISCOVERY_TIMEOUT 60)
endfunction()
