include(GoogleTest)

# Wine, where the Windows cross build runs its tests: a prefix of its own in the build tree,
# prepared once by the first test (the start of a fresh prefix takes half a minute, and tests
# starting it side by side would race), and no debug chatter.
set(ZV_WINE_TEST_ENV "")
if(WIN32 AND CMAKE_CROSSCOMPILING AND ZV_TESTS)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(FATAL_ERROR "The Windows tests need Wine (Debian package wine64)")
  endif()
  set(ZV_WINE_TEST_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wine" "WINEDEBUG=-all")
  add_test(NAME wine_prefix COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init)
  set_tests_properties(wine_prefix PROPERTIES TIMEOUT 300 FIXTURES_SETUP wine
                                              ENVIRONMENT "${ZV_WINE_TEST_ENV}")
endif()

# Registers the cases of a GoogleTest executable with ctest:
#   zv_gtest(target TIMEOUT seconds ENVIRONMENT vars... [WINE_EXCLUDE patterns...])
# Natively every case is a test of its own. Under Wine each start of a process costs about half
# a second, so there the whole executable is one test, and the cases matching WINE_EXCLUDE
# (GoogleTest filter patterns; say at the call why each cannot work on Windows) are left out
# by --gtest_filter, which GoogleTest reports at the end of the run.
function(zv_gtest target)
  cmake_parse_arguments(arg "" "TIMEOUT" "ENVIRONMENT;WINE_EXCLUDE" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 300)
  endif()
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(filter "*")
    if(arg_WINE_EXCLUDE)
      list(JOIN arg_WINE_EXCLUDE ":" excluded)
      set(filter "*-${excluded}")
    endif()
    add_test(NAME ${target} COMMAND ${target} --gtest_filter=${filter})
    set_tests_properties(${target} PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED wine LABELS wine
                         ENVIRONMENT "${arg_ENVIRONMENT};${ZV_WINE_TEST_ENV}")
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT ${arg_TIMEOUT}
                         ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
endfunction()
