# Every real value the programs store is an IEEE single precision float: refuse to build where
# `float` is anything else. The extended arithmetic they compute in (64-bit significand, 15-bit
# exponent, the x87's rounding and special values) is the hardware's only where `long double` is
# the x87 80-bit format itself, which is to say on x86 (x86-64, i386); everywhere else the
# software model in extendido/ computes. Other formats with the same 64-bit significand and
# 15-bit exponent (the 68881's on m68k) differ in their NaNs, denormals and special encodings.
#
# The switch is the option SOFTWARE_EXTENDED: ON computes in the model, even on x86. Where the
# hardware cannot be used it is ON whatever it was set to. The `extendido` target passes it on to
# the code as the macro SOFTWARE_EXTENDED (0 or 1).
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([=[
  #include <limits>
  static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<float>::digits == 24);
  int main() { return 0; }
]=] NUMERICOS_FLOAT_IEEE_SINGLE)
if(NOT NUMERICOS_FLOAT_IEEE_SINGLE)
  message(FATAL_ERROR
    "float is not IEEE 754 single precision with this compiler and target "
    "(${CMAKE_CXX_COMPILER_ID} for ${CMAKE_SYSTEM_PROCESSOR}). These programs store every real "
    "value as one and print its digits; they cannot give their results here.")
endif()

check_cxx_source_compiles([=[
  #include <limits>
  #if !defined(__x86_64__) && !defined(__i386__)
  #error "not x86"
  #endif
  static_assert(std::numeric_limits<long double>::digits == 64
                && std::numeric_limits<long double>::max_exponent == 16384);
  int main() { return 0; }
]=] NUMERICOS_LONG_DOUBLE_X87)

option(SOFTWARE_EXTENDED
  "Compute in the software model of the x87 extended format even where long double is that format"
  OFF)
if(NOT NUMERICOS_LONG_DOUBLE_X87 AND NOT SOFTWARE_EXTENDED)
  set(SOFTWARE_EXTENDED ON CACHE BOOL
      "Compute in the software model of the x87 extended format (long double is not that format here)"
      FORCE)
endif()
if(SOFTWARE_EXTENDED)
  message(STATUS "Extended arithmetic: software model of the x87 format (SOFTWARE_EXTENDED=ON)")
else()
  message(STATUS "Extended arithmetic: x87 hardware, long double (SOFTWARE_EXTENDED=OFF)")
endif()
