# Builds the Debian package of a build tree in a scratch folder and checks its file list and its
# control fields.
#   cmake -DBUILD=build-dir -DWORK=scratch-dir -DCPACK=cpack -DDPKG_DEB=dpkg-deb -DVERSION=1.0.0
#         -P check_package.cmake
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
  usr/share/doc/numericos/copyright
  usr/share/man/man1/factcalc.1.gz usr/share/man/man1/fibratio.1.gz
  usr/share/man/man1/seriestats.1.gz usr/share/man/man1/vecprod.1.gz)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the package holds:\n  ${files}\nexpected:\n  ${expected}")
endif()

# Control fields: name, version, a summary and a long description, and the dependencies that
# dpkg-shlibdeps found for the C and C++ libraries.
execute_process(COMMAND "${DPKG_DEB}" -f "${packages}" Package Version Depends Description
                OUTPUT_VARIABLE control)
foreach(pattern IN ITEMS
    "\nPackage: numericos\n" "\nVersion: ${VERSION}\n"
    "\nDepends: [^\n]*libc6 \\(>= [^)]+\\)" "\nDepends: [^\n]*libstdc\\+\\+6 \\(>= [^)]+\\)"
    "\nDescription: [a-z][^\n]+\n [^\n]+\n [^\n]+")
  if(NOT "\n${control}" MATCHES "${pattern}")
    message(FATAL_ERROR "control fields lack ${pattern}:\n${control}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
