# The CMake package (find_package(Tapline) gives Tapline::tapline with its header) and the
# distribution packages CPack makes from the installation: a Debian package, a Windows zip.
include(CMakePackageConfigHelpers)

install(EXPORT TaplineTargets NAMESPACE Tapline:: DESTINATION ${TAPLINE_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TaplineConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TaplineConfig.cmake
                              INSTALL_DESTINATION ${TAPLINE_INSTALL_CMAKEDIR})
# 0.x releases promise nothing across minor versions; from 1.0 the major version decides.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TaplineConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TaplineConfig.cmake
              ${PROJECT_BINARY_DIR}/TaplineConfigVersion.cmake
        DESTINATION ${TAPLINE_INSTALL_CMAKEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Distribution packages of the installation: `cpack` in a build folder makes a Debian package
# (build with the package preset, prefix /usr) or, from the Windows build, a zip.
set(CPACK_PACKAGE_NAME tapline)
set(CPACK_PACKAGE_VENDOR "The Tapline developers")
set(CPACK_PACKAGE_CONTACT "The Tapline developers <tapline@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Read access to multi-channel recordings for numerical hosts (C, Python, MATLAB)")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CHECKSUM SHA256)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tapline-${PROJECT_VERSION}-windows-x86_64)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/README-windows.txt DESTINATION . RENAME README.txt)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
 Tapline is a shared library of twelve plain C functions that reads recordings through a reader
 component registered by class id. The package holds the library, the EDF/EDF+ reader
 component, tapline-info, tapline-regsvr, tapline-sample-writer, the C header, the CMake
 package (find_package(Tapline)) and the Python package tapline for Debian's Python.")
  # The C and C++ runtimes from the modules themselves; the Python package needs numpy, its
  # MNE, cohort and plotting parts more.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-numpy")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS
      "python3-mne, python3-pandas, python3-dask, python3-distributed, python3-matplotlib")
endif()
include(CPack)
