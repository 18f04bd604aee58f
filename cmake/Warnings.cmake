# Warnings for every target of the project, and no contraction of a*b+c into a fused multiply-add:
# each operation rounds exactly where the source says. -Wsign-conversion is named apart because
# g++ leaves it out of -Wconversion for C++; -Wundef makes a misspelt macro in an #if an error
# instead of a silent 0.
add_compile_options(
  -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wdouble-promotion -Wshadow -Wundef
  -ffp-contract=off)
option(WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()
