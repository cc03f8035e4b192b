# The libraries the Windows cross build needs, made from what Debian ships for Linux:
#   GoogleTest  built from its sources (Debian's googletest package, /usr/src/googletest);
#   CLI11, nlohmann-json  header-only: their headers, and nothing else of /usr/include.
# Each gets a small package configuration in the build tree, so the project's own
# find_package() calls find them as on Linux.
set(ZV_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
set(ZV_DEPS_DIR ${CMAKE_BINARY_DIR}/deps)

# Only the headers of the two header-only libraries: -I/usr/include would put Linux's C
# library in front of MinGW's.
function(zv_stage_headers target folder)
  file(MAKE_DIRECTORY ${ZV_DEPS_DIR}/include)
  if(NOT EXISTS ${ZV_DEPS_DIR}/include/${folder})
    file(CREATE_LINK /usr/include/${folder} ${ZV_DEPS_DIR}/include/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} SYSTEM INTERFACE ${ZV_DEPS_DIR}/include)
endfunction()

# A package configuration that only says "found": the targets exist already.
function(zv_found_package package)
  file(WRITE ${ZV_DEPS_DIR}/${package}/${package}Config.cmake
       "# Targets made by cmake/ZvWindowsDeps.cmake.\n")
  set(${package}_DIR ${ZV_DEPS_DIR}/${package} CACHE PATH "" FORCE)
endfunction()

if(ZV_TESTS)
  if(NOT EXISTS ${ZV_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${ZV_GOOGLETEST_SOURCE_DIR} "
                        "(Debian package googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${ZV_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  zv_found_package(GTest)
endif()

if(EXISTS /usr/include/CLI/CLI.hpp)
  zv_stage_headers(CLI11::CLI11 CLI)
  zv_found_package(CLI11)
endif()
if(EXISTS /usr/include/nlohmann/json.hpp)
  zv_stage_headers(nlohmann_json::nlohmann_json nlohmann)
  zv_found_package(nlohmann_json)
endif()
