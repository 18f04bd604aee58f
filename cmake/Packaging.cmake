# The Debian package: `cpack -G DEB` in a build tree gives numericos_VERSION_ARCH.deb holding the
# four programs in /usr/bin, their manual pages gzipped in /usr/share/man/man1, the licence as
# /usr/share/doc/numericos/copyright, the package's changelog.gz beside it and lintian's overrides
# in /usr/share/lintian/overrides/numericos, and nothing else.
#
# The package takes its files from the install component `deb` alone. Its rules are left out of a
# plain `cmake --install`, which keeps installing the programs and the uncompressed pages only.
find_program(GZIP_PROGRAM gzip)
if(NOT GZIP_PROGRAM)
  message(STATUS "gzip not found: no Debian package")
  return()
endif()

set(paginas_gz)
foreach(page IN ITEMS vecprod seriestats factcalc fibratio)
  set(gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  # -n leaves out the name and time stamp, so that the same page gives the same bytes.
  add_custom_command(OUTPUT ${gz}
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_BINARY_DIR}/man/${page}.1 > ${gz}
    DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1
    VERBATIM)
  list(APPEND paginas_gz ${gz})
endforeach()
add_custom_target(paginas_gz ALL DEPENDS ${paginas_gz})

# The package's history, packaging/changelog, in Debian's changelog format. The version has no
# Debian revision (the authors package it themselves), so Debian takes the package as native and
# wants the file as changelog.gz, not changelog.Debian.gz.
set(changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(changelog_gz ALL DEPENDS ${changelog_gz})

install(TARGETS vecprod seriestats factcalc fibratio RUNTIME DESTINATION bin
        COMPONENT deb EXCLUDE_FROM_ALL)
# CPACK_STRIP_FILES (below) has each program's install rule run a bare `strip`, which drops the
# symbols and the debug information but keeps the .comment section (the compiler's version,
# copied in from every object file) and .note: lintian's binary-has-unneeded-section. Those two go
# here too, as Debian's dh_strip removes them. The sections that the programs need to run stay.
if(CMAKE_STRIP)
  install(CODE "set(numericos_strip [[${CMAKE_STRIP}]])" COMPONENT deb EXCLUDE_FROM_ALL)
  install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program IN ITEMS vecprod seriestats factcalc fibratio)
        execute_process(
          COMMAND "${numericos_strip}" --remove-section=.comment --remove-section=.note
                  "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}"
          COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()]] COMPONENT deb EXCLUDE_FROM_ALL)
endif()
install(FILES ${paginas_gz} DESTINATION share/man/man1 COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/numericos RENAME copyright
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${changelog_gz} DESTINATION share/doc/numericos COMPONENT deb EXCLUDE_FROM_ALL)
# lintian's overrides: each documents a tag that it reports by mistake.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION share/lintian/overrides
        RENAME numericos COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME numericos)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Maintainer field: a name and an e-mail address, as Debian requires.
set(CPACK_PACKAGE_CONTACT "The numericos authors <numericos@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "four small numerical console programs")
# The summary is the first line of the control file's Description, this text the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "vecprod prints the vector product of two 3-D vectors read from vec.dat and
writes it to res_1.dat; seriestats prints the mean and population standard
deviation of a series read from vec.dat; factcalc prints the factorial of an
integer in 32-bit wrap-around arithmetic; fibratio prints the n-th Fibonacci
number by plain recursion and F(n)/F(n-1) with 25 digits. Each computes exactly
as written, down to the last byte it prints, in x86 extended precision where it
says so.")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# A native build's package is for the architecture that dpkg gives. A cross build's is for the
# target's Debian architecture, which dpkg-architecture finds from the compiler's GNU triple
# (aarch64-linux-gnu: arm64, arm-linux-gnueabi: armel). dpkg-shlibdeps, which cpack runs, then
# has to look up the target's libraries, not the build machine's: cpack reads DEB_HOST_ARCH from
# the file written here (see the README on the libraries it needs installed).
if(CMAKE_CROSSCOMPILING AND NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
                  OUTPUT_VARIABLE triple OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  find_program(DPKG_ARCHITECTURE dpkg-architecture)
  if(DPKG_ARCHITECTURE AND triple)
    execute_process(COMMAND ${DPKG_ARCHITECTURE} -t ${triple} -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE arquitectura OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                    RESULT_VARIABLE status)
    if(status EQUAL 0 AND arquitectura)
      set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${arquitectura})
    endif()
  endif()
  if(CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/CPackCross.cmake
         CONTENT "set(ENV{DEB_HOST_ARCH} \"@CPACK_DEBIAN_PACKAGE_ARCHITECTURE@\")\n" @ONLY)
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackCross.cmake)
  else()
    message(STATUS "No Debian architecture for ${CMAKE_CXX_COMPILER}: cpack cannot build a package")
  endif()
endif()
include(CPack)
