# GoogleTest for a cross build: Debian's libgtest-dev holds Linux libraries only, so the
# sources it ships in /usr/src/googletest are built with the cross toolchain instead, under the
# target names that find_package(GTest) gives.
set(TAPLINE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${TAPLINE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
  # The project's own warnings are not GoogleTest's business.
  target_compile_options(${library} PRIVATE -w)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()
# Test programs start under Wine; listing their tests when CTest runs, not at build time,
# keeps the build from waiting on Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
