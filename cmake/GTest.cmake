# GoogleTest: the machine's package natively; built from its sources when
# cross-compiling (Debian's, unless VOK_GTEST_SOURCE_DIR names others).
# Nothing is downloaded.
set(VOK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest's sources, built for the tests when cross-compiling")
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VOK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
