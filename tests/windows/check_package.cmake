# A C program built against the unpacked Windows zip's CMake package (find_package(Tapline),
# the import library) runs under Wine from the zip's bin folder, so that it loads the zip's
# tapline.dll: with the zip's component registered by regsvr32, it lists the segments of the
# sample recording that the zip's tapline-sample-writer.exe wrote; the registration is removed
# again.
#   cmake -DPACKAGE=... -DWORK=... -DCONSUMER=... -DTOOLCHAIN=... -DWINE=... -DGENERATOR=...
#         -DMAKE_PROGRAM=... -P check_package.cmake

# Runs a command in WORKING_DIRECTORY (default WORK); stops the test when it fails. Windows
# programs end lines with \r\n; OUTPUT receives the output with \n only.
function(run)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT;WORKING_DIRECTORY" "COMMAND")
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${WORK})
  endif()
  execute_process(COMMAND ${arg_COMMAND} WORKING_DIRECTORY ${arg_WORKING_DIRECTORY}
                  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result
                  INPUT_FILE /dev/null)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${arg_COMMAND}\nfailed (${result}):\n${output}\n${errors}")
  endif()
  if(arg_OUTPUT)
    string(REPLACE "\r" "" output "${output}")
    set(${arg_OUTPUT} "${output}" PARENT_SCOPE)
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer -G ${GENERATOR}
            -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}
            -DTapline_DIR=${PACKAGE}/lib/cmake/Tapline)
run(COMMAND ${CMAKE_COMMAND} --build ${WORK}/consumer)
run(COMMAND ${WINE} ${PACKAGE}/bin/tapline-sample-writer.exe sample.edf)
run(COMMAND ${WINE} regsvr32 /s ${PACKAGE}/bin/tapline_open_formats.dll)
execute_process(COMMAND ${WINE} ${WORK}/consumer/list-segments.exe Z:${WORK}/sample.edf
                WORKING_DIRECTORY ${PACKAGE}/bin OUTPUT_VARIABLE segments ERROR_VARIABLE errors
                RESULT_VARIABLE result INPUT_FILE /dev/null)
run(COMMAND ${WINE} regsvr32 /s /u ${PACKAGE}/bin/tapline_open_formats.dll)
string(REPLACE "\r" "" segments "${segments}")
set(expected "Segments: 3
0 start 45426.395833 duration 60.000
1 start 45426.396875 duration 45.000
2 start 45426.397917 duration 75.000
")
if(NOT result EQUAL 0 OR NOT segments STREQUAL expected)
  message(FATAL_ERROR "list-segments.exe (${result}): expected\n${expected}\nbut got\n"
                      "${segments}\n${errors}")
endif()
