# libFLAC, for the WFDB signal files compressed with FLAC (formats 508, 516, 524). Optional:
# without it those formats are refused by name. Found through the package's CMake config (as
# vcpkg and FLAC's own install provide it), else by its header and library (Debian's
# libflac-dev ships neither a config nor a module). Gives the target FLAC::FLAC and
# TAPLINE_HAVE_FLAC.
option(TAPLINE_WITH_FLAC "Read FLAC-compressed WFDB signal files when libFLAC is found" ON)
set(TAPLINE_HAVE_FLAC OFF)
if(TAPLINE_WITH_FLAC)
  find_package(FLAC CONFIG QUIET)
  if(TARGET FLAC::FLAC)
    set(TAPLINE_HAVE_FLAC ON)
  else()
    find_path(TAPLINE_FLAC_INCLUDE_DIR FLAC/stream_decoder.h)
    find_library(TAPLINE_FLAC_LIBRARY NAMES FLAC libFLAC)
    if(TAPLINE_FLAC_INCLUDE_DIR AND TAPLINE_FLAC_LIBRARY)
      add_library(FLAC::FLAC UNKNOWN IMPORTED)
      set_target_properties(FLAC::FLAC PROPERTIES IMPORTED_LOCATION ${TAPLINE_FLAC_LIBRARY}
                            INTERFACE_INCLUDE_DIRECTORIES ${TAPLINE_FLAC_INCLUDE_DIR})
      set(TAPLINE_HAVE_FLAC ON)
    endif()
  endif()
endif()
if(TAPLINE_HAVE_FLAC)
  message(STATUS "libFLAC found: WFDB formats 508, 516 and 524 are read")
else()
  message(STATUS "libFLAC not found: WFDB formats 508, 516 and 524 are refused")
endif()
