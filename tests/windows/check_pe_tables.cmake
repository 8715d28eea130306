# Checks a Windows module's export and import tables, as read by objdump -p:
#   cmake -DOBJDUMP=... -DMODULE=file.dll "-DEXPORTS=A;B" -P check_pe_tables.cmake
# The export names must be exactly EXPORTS (undecorated, in any order; an empty list asks for
# no export table at all), and every imported DLL must be a system DLL, so that the module
# needs nothing beside it (no C++ runtime, libgcc or winpthread DLL).
cmake_minimum_required(VERSION 3.20)
foreach(required OBJDUMP MODULE)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "${required} not given")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed: ${status}")
endif()
string(REPLACE "\r" "" dump "${dump}")
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(exported)
set(imported)
set(inNameTable FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(inNameTable TRUE)
  elseif(inNameTable AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND exported "${CMAKE_MATCH_1}")
  elseif(inNameTable)
    set(inNameTable FALSE)
  endif()
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND imported "${dll}")
  endif()
endforeach()

set(expected ${EXPORTS})
list(SORT expected)
list(SORT exported)
if(NOT "${exported}" STREQUAL "${expected}")
  message(FATAL_ERROR "${MODULE} exports\n  ${exported}\nexpected exactly\n  ${expected}")
endif()

set(systemDlls kernel32.dll msvcrt.dll ole32.dll oleaut32.dll advapi32.dll user32.dll
    shell32.dll ws2_32.dll)
foreach(dll IN LISTS imported)
  if(NOT dll IN_LIST systemDlls AND NOT dll MATCHES "^api-ms-win-")
    message(FATAL_ERROR "${MODULE} imports ${dll}, which is not a system DLL")
  endif()
endforeach()
list(LENGTH exported exportCount)
message(STATUS "${MODULE}: ${exportCount} exports; imports ${imported}")
