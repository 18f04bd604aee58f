# Toolchain of the cross builds: Debian's cross compiler for the GNU triple CROSS_TRIPLE (such as
# aarch64-linux-gnu, from g++-aarch64-linux-gnu), and the qemu-user binary CROSS_QEMU (such as
# qemu-aarch64) to run what it builds, with the target's libraries from /usr/CROSS_TRIPLE. The
# `cross` preset takes both from the environment:
#
#   CROSS_TRIPLE=aarch64-linux-gnu CROSS_QEMU=qemu-aarch64 cmake --workflow --preset cross
#
# Without CROSS_QEMU, or where it is not installed, the programs build all the same and the tests
# are off (testing/Tests.cmake says so).
if(NOT CROSS_TRIPLE)
  message(FATAL_ERROR "cmake/Cross.cmake needs CROSS_TRIPLE (such as aarch64-linux-gnu)")
endif()
set(CMAKE_SYSTEM_NAME Linux)
# The processor as the triple names it (aarch64, i686, powerpc64le).
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${CROSS_TRIPLE}")
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++)
if(CROSS_QEMU)
  find_program(CROSS_QEMU_PROGRAM ${CROSS_QEMU})
  if(CROSS_QEMU_PROGRAM)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CROSS_QEMU_PROGRAM} -L /usr/${CROSS_TRIPLE})
  endif()
endif()
# The compiler checks' projects read this file again, and see only the variables listed here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CROSS_TRIPLE CROSS_QEMU)
