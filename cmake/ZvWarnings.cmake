# Warnings for our own targets only.
function(zv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # GCC 12 warns of an overlapping memcpy inside std::string's own append when it inlines
  # string concatenation (GCC bug 105651); the MinGW build is the one that still meets it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13 AND WIN32)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
