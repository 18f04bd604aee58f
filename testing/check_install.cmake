# Installs the build tree to a scratch prefix and checks that exactly the four programs and their
# manual pages land there.
#   cmake -DBUILD=build-dir -DPREFIX=scratch-dir -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed with status ${status}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
set(expected
  bin/factcalc bin/fibratio bin/seriestats bin/vecprod
  share/man/man1/factcalc.1 share/man/man1/fibratio.1
  share/man/man1/seriestats.1 share/man/man1/vecprod.1)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
