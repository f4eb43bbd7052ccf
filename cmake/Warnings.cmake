# One interface target carries the warnings and the floating-point rules for every target.
add_library(velta_options INTERFACE)
target_compile_options(velta_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
  # The same formulas must give the same bits on every build: no fused multiply-add.
  -ffp-contract=off)
if(VELTA_WERROR)
  # The test and fuzz scripts (and so CI) build with warnings as errors.
  target_compile_options(velta_options INTERFACE -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  # Clang flags every float-to-double widening, which the single-precision working values of the
  # program do on purpose; GCC's form of the warning (variadic calls only) stays on.
  target_compile_options(velta_options INTERFACE -Wno-double-promotion)
endif()
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports std::string concatenation at -O3 as overlapping memcpy (a known false positive).
  target_compile_options(velta_options INTERFACE -Wno-restrict)
endif()
