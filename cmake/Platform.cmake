# Every real value the programs store is an IEEE single precision float: refuse to build where
# `float` is anything else. The extended arithmetic they compute in (64-bit significand, 15-bit
# exponent) is the hardware's where `long double` is the x87 80-bit format (x86-64, i386), and the
# software model in extendido/ everywhere else, or everywhere when SOFTWARE_EXTENDED is ON.
# EXTENDIDO_EN_SOFTWARE records the choice; the `extendido` target passes it on to the code.
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
  static_assert(std::numeric_limits<long double>::digits == 64
                && std::numeric_limits<long double>::max_exponent == 16384);
  int main() { return 0; }
]=] NUMERICOS_LONG_DOUBLE_X87)

option(SOFTWARE_EXTENDED
  "Compute in the software model of the x87 extended format even where long double is that format"
  OFF)
if(SOFTWARE_EXTENDED OR NOT NUMERICOS_LONG_DOUBLE_X87)
  set(EXTENDIDO_EN_SOFTWARE ON)
  message(STATUS "Extended arithmetic: software model (extendido_software)")
else()
  set(EXTENDIDO_EN_SOFTWARE OFF)
  message(STATUS "Extended arithmetic: x87 hardware (long double)")
endif()
