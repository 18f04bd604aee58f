# The programs compute in the x86 extended format (64-bit significand) and store IEEE single
# precision; refuse to build where `long double` or `float` is anything else.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([=[
  #include <limits>
  static_assert(std::numeric_limits<long double>::digits == 64
                && std::numeric_limits<long double>::max_exponent == 16384);
  static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<float>::digits == 24);
  int main() { return 0; }
]=] NUMERICOS_HAS_X87_LONG_DOUBLE)
if(NOT NUMERICOS_HAS_X87_LONG_DOUBLE)
  message(FATAL_ERROR
    "long double is not the x86 80-bit extended format (64-bit significand) with this compiler "
    "and target (${CMAKE_CXX_COMPILER_ID} for ${CMAKE_SYSTEM_PROCESSOR}). These programs print "
    "results whose last digits depend on that format; build them for x86 (x86-64 or i386).")
endif()
