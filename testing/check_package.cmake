# Builds the Debian package of a build tree in a scratch folder and checks its file list, its
# control fields and its changelog, then has lintian check it: any error, warning or
# informational tag that no override in packaging/lintian-overrides covers fails. Without
# lintian (LINTIAN empty or not found) the rest is checked and the test then says it skipped
# lintian, which testing/CMakeLists.txt reports as a skipped test.
#   cmake -DBUILD=build-dir -DWORK=scratch-dir -DCPACK=cpack -DDPKG_DEB=dpkg-deb -DGZIP=gzip
#         -DLINTIAN=lintian -DVERSION=1.0.0 -P check_package.cmake
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB packages "${WORK}/*.deb")
list(LENGTH packages count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack failed (status ${status}, ${count} packages):\n${log}")
endif()
cmake_path(GET packages FILENAME name)
execute_process(COMMAND "${DPKG_DEB}" -f "${packages}" Architecture
                OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT name STREQUAL "numericos_${VERSION}_${arch}.deb")
  message(FATAL_ERROR "package named ${name}, not numericos_${VERSION}_${arch}.deb")
endif()

# Every entry that is not a directory, by its path.
execute_process(COMMAND "${DPKG_DEB}" -c "${packages}" OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(files)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^d")
    string(REGEX REPLACE "^.* \\./" "" path "${line}")
    list(APPEND files ${path})
  endif()
endforeach()
list(SORT files)
set(expected
  usr/bin/factcalc usr/bin/fibratio usr/bin/seriestats usr/bin/vecprod
  usr/share/doc/numericos/changelog.gz usr/share/doc/numericos/copyright
  usr/share/lintian/overrides/numericos
  usr/share/man/man1/factcalc.1.gz usr/share/man/man1/fibratio.1.gz
  usr/share/man/man1/seriestats.1.gz usr/share/man/man1/vecprod.1.gz)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the package holds:\n  ${files}\nexpected:\n  ${expected}")
endif()

# Control fields: name, version, a maintainer with an e-mail address, a summary and a long
# description, and the dependencies that dpkg-shlibdeps found for the C and C++ libraries.
execute_process(COMMAND "${DPKG_DEB}" -f "${packages}" Package Version Maintainer Depends
                        Description
                OUTPUT_VARIABLE control)
foreach(pattern IN ITEMS
    "\nPackage: numericos\n" "\nVersion: ${VERSION}\n"
    "\nMaintainer: [^\n<>]*[^\n<> ] <[^\n<>@ ]+@[^\n<>@ ]+\\.[^\n<>@ ]+>\n"
    "\nDepends: [^\n]*libc6 \\(>= [^)]+\\)" "\nDepends: [^\n]*libstdc\\+\\+6 \\(>= [^)]+\\)"
    "\nDescription: [a-z][^\n]+\n [^\n]+\n [^\n]+")
  if(NOT "\n${control}" MATCHES "${pattern}")
    message(FATAL_ERROR "control fields lack ${pattern}:\n${control}")
  endif()
endforeach()

# The changelog's latest entry is the package's version: a new VERSION needs its entry in
# packaging/changelog.
execute_process(COMMAND "${DPKG_DEB}" -x "${packages}" "${WORK}/root" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${GZIP}" -dc "${WORK}/root/usr/share/doc/numericos/changelog.gz"
                OUTPUT_VARIABLE changelog COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCH "^[^\n]*" latest "${changelog}")
string(REGEX MATCH "^numericos \\(([^)]*)\\) [a-z-]+; urgency=[a-z]+$" heading "${latest}")
if(NOT heading OR NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "the changelog's latest entry is not numericos (${VERSION}) in Debian's "
                      "format: ${latest}")
endif()

if(NOT LINTIAN)
  file(REMOVE_RECURSE "${WORK}")
  message("lintian not found: the package was not checked by lintian (apt-get install lintian)")
  return()
endif()
# --no-cfg: no lintianrc of the machine or the user hides a tag.
execute_process(COMMAND "${LINTIAN}" --no-cfg --display-info --fail-on error,warning,info
                        "${packages}"
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR report MATCHES "(^|\n)[EWI]: ")
  message(FATAL_ERROR "lintian (status ${status}) on ${name}:\n${report}${errors}")
endif()
file(REMOVE_RECURSE "${WORK}")
