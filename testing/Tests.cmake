# Test registration shared by the four programs' test folders.
#
# In a cross build the programs and the unit tests are binaries for the target, run through
# CMAKE_CROSSCOMPILING_EMULATOR ("qemu-aarch64;-L;/usr/aarch64-linux-gnu"): CTest puts it before
# each unit test, and the golden runner, a program of the build machine, before each program.
#
# Without GoogleTest the tests are off (BUILD_TESTING is set OFF here, and configuring says so):
# the programs build all the same.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  message(STATUS "No emulator for ${CMAKE_SYSTEM_PROCESSOR} (CROSS_QEMU, from qemu-user): the tests "
                 "are off")
  set(BUILD_TESTING OFF)
  return()
endif()
if(CMAKE_CROSSCOMPILING)
  # GoogleTest built for the target from the sources that Debian's libgtest-dev ships; only the
  # libraries the tests link are built, without our warnings, and nothing of it is installed.
  set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources, for cross builds")
  if(NOT EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(STATUS "No GoogleTest sources in ${GOOGLETEST_SOURCE_DIR} (Debian: libgtest-dev): "
                   "the tests are off")
    set(BUILD_TESTING OFF)
    return()
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # -O1: gtest-all.cc, one large file, is the longest compile of a cross build and stands before
  # every unit test's; at -O3 it takes about twice as long, for code that the tests spend little
  # time in (their loops are their own, compiled as the project is).
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -w -O1)
  target_compile_options(gtest_main PRIVATE -w -O1)
else()
  find_package(GTest)
  if(NOT GTest_FOUND)
    message(STATUS "GoogleTest not found (Debian: libgtest-dev): the tests are off")
    set(BUILD_TESTING OFF)
    return()
  endif()
endif()
include(GoogleTest)

# add_golden_cases(PROGRAM CASES_DIR [RESULT NAME] [LABELS LABEL...] [LONG CASE...])
#
# Registers one test per folder in CASES_DIR: `golden` runs PROGRAM on that case in a scratch
# directory and compares standard output, standard error, the exit status and the files the case
# names (see testing/golden.cpp). A new case is a new folder, no code changes and no new
# configure: the folders are listed when CTest starts, by a script that CTest includes, so
# `ctest` alone finds a folder added since the last build. LABELS are added to the labels golden
# and PROGRAM (the test presets leave out the label slow); the cases named after LONG get the
# label long as well, and a COST that has CTest start them first.
function(add_golden_cases program cases_dir)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "RESULT" "LABELS;LONG")
  set(options)
  if(SANITIZE)
    list(APPEND options --sanitized)
  endif()
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulador)
    list(APPEND options --emulator ${emulador})
  endif()
  if(ARG_RESULT)
    list(APPEND options --result ${ARG_RESULT})
  endif()
  list(APPEND options --version ${PROJECT_VERSION})
  # The command, each word a bracket argument of the CTest script, the case folder to follow.
  set(command)
  foreach(word IN ITEMS ${GOLDEN_RUNNER} ${options} $<TARGET_FILE:${program}>)
    string(APPEND command " [==[${word}]==]")
  endforeach()
  set(labels golden ${program} ${ARG_LABELS})
  # A cross target that runs the golden cases alone leaves the long ones out with the slow ones.
  set(long_slow)
  if(CMAKE_CROSSCOMPILING AND NOT ALL_UNIT_TESTS)
    set(long_slow slow)
  endif()
  string(CONFIGURE [[
# Written by add_golden_cases (testing/Tests.cmake): one test per folder of @cases_dir@.
set(long [==[@ARG_LONG@]==])
file(GLOB entries LIST_DIRECTORIES true [==[@cases_dir@/*]==])
foreach(dir IN LISTS entries)
  if(IS_DIRECTORY "${dir}")
    cmake_path(GET dir FILENAME name)
    set(labels [==[@labels@]==])
    list(FIND long "${name}" i)  # CTest reads this with no policies set: no IN_LIST
    if(NOT i EQUAL -1)
      list(APPEND labels long @long_slow@)
    endif()
    add_test(@program@.${name}@command@ "${dir}")
    set_tests_properties(@program@.${name} PROPERTIES LABELS "${labels}" TIMEOUT 150)
    if(NOT i EQUAL -1)
      set_tests_properties(@program@.${name} PROPERTIES COST 30)  # started first
    endif()
  endif()
endforeach()
]] content @ONLY)
  cmake_path(GET cases_dir FILENAME folder)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/golden-${program}-${folder}.cmake)
  file(GENERATE OUTPUT ${script} CONTENT "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# add_unit_tests(NAME [ON_EVERY_TARGET] SOURCES... LIBRARIES... [INCLUDES...]) via named
# arguments: a GoogleTest executable, with INCLUDES as its private include directories, whose
# tests are registered one by one. With ALL_UNIT_TESTS off (the cross targets whose unit tests
# would test nothing that another target does not) only those marked ON_EVERY_TARGET are built.
function(add_unit_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "ON_EVERY_TARGET" "" "SOURCES;LIBRARIES;INCLUDES")
  if(NOT ALL_UNIT_TESTS AND NOT ARG_ON_EVERY_TARGET)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  # A binary for another machine is asked for its tests when CTest runs, under the emulator, so
  # that building needs none.
  if(CMAKE_CROSSCOMPILING)
    set(discovery PRE_TEST)
  else()
    set(discovery POST_BUILD)
  endif()
  gtest_discover_tests(${name} PROPERTIES LABELS "unit" DISCOVERY_TIMEOUT 60
                       DISCOVERY_MODE ${discovery})
endfunction()
