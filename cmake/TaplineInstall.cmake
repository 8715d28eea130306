# Where an installation puts each part (GNUInstallDirs, so a system's own layout), and the run
# paths that let installed modules find their neighbours from wherever the prefix lies.
#   bin/                      tapline-info, tapline-regsvr (Windows: also the DLLs)
#   lib[/<multiarch>]/        libtapline, libtapline_com (the COM stand-in it needs)
#   lib[/<multiarch>]/tapline the reader component module
#   include/                  tapline.h, tapline_ext.h
#   lib[/<multiarch>]/cmake/Tapline  the CMake package
#   lib/python3/dist-packages the Python package, where Debian's Python looks
if(WIN32)
  set(TAPLINE_INSTALL_COMPONENTDIR ${CMAKE_INSTALL_BINDIR})
else()
  set(TAPLINE_INSTALL_COMPONENTDIR ${CMAKE_INSTALL_LIBDIR}/tapline)
endif()
set(TAPLINE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tapline)
set(TAPLINE_INSTALL_PYTHONDIR lib/python3/dist-packages CACHE STRING
    "Where the Python package is installed, relative to the prefix")

# Installed modules find the library's folder relative to their own ($ORIGIN), so the prefix
# can move (cmake --install --prefix, a package's root) without relinking.
function(tapline_install_rpath target destination)
  if(WIN32 OR APPLE)
    return()
  endif()
  file(RELATIVE_PATH to_libdir /prefix/${destination} /prefix/${CMAKE_INSTALL_LIBDIR})
  string(REGEX REPLACE "/$" "" to_libdir "${to_libdir}")
  if(to_libdir STREQUAL "")
    set(rpath "$ORIGIN")
  else()
    set(rpath "$ORIGIN/${to_libdir}")
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
endfunction()
