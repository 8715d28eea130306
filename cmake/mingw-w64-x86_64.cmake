# Cross-builds the Windows DLLs with Debian's mingw-w64:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The -posix compilers are required: the win32 threading variant of GCC 12 has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAPLINE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAPLINE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAPLINE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAPLINE_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${TAPLINE_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${TAPLINE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A host loads tapline.dll from wherever it lies: the C++ runtime, libgcc and winpthread are
# linked in so that the DLL and the tools need nothing beside them but system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and tools built here run under Wine when CTest runs them.
find_program(TAPLINE_WINE NAMES wine wine64)
if(TAPLINE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAPLINE_WINE})
endif()
