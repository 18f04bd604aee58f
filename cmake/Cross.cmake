# Toolchain of the cross presets: Debian's cross compiler for the GNU triple CROSS_TRIPLE (such as
# aarch64-linux-gnu, from g++-aarch64-linux-gnu), and the qemu-user binary CROSS_QEMU (such as
# qemu-aarch64) to run what it builds, with the target's libraries from /usr/CROSS_TRIPLE. A
# target needs nothing more, so each preset names these two and inherits the rest:
#
#   cmake -S . -B out --toolchain cmake/Cross.cmake -DCROSS_TRIPLE=aarch64-linux-gnu \
#         -DCROSS_QEMU=qemu-aarch64
if(NOT CROSS_TRIPLE OR NOT CROSS_QEMU)
  message(FATAL_ERROR "cmake/Cross.cmake needs CROSS_TRIPLE (such as aarch64-linux-gnu) and "
                      "CROSS_QEMU (such as qemu-aarch64)")
endif()
set(CMAKE_SYSTEM_NAME Linux)
# The processor as the triple names it (aarch64, i686, powerpc64le).
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${CROSS_TRIPLE}")
set(CMAKE_CXX_COMPILER ${CROSS_TRIPLE}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CROSS_QEMU} -L /usr/${CROSS_TRIPLE})
# The compiler checks' projects read this file again, and see only the variables listed here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CROSS_TRIPLE CROSS_QEMU)
