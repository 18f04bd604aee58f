# Warnings for every target of the project, and no contraction of a*b+c into a fused multiply-add:
# each operation rounds exactly where the source says.
add_compile_options(
  -Wall -Wextra -Wpedantic -Wconversion -Wdouble-promotion -Wshadow
  -ffp-contract=off)
option(WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()
