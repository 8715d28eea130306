# The installation as a user meets it, from a prefix moved after `cmake --install` (so nothing
# may point back into the build folder or the first prefix): the component registered with the
# installed tapline-regsvr, C programs built with find_package(Tapline) (a test consumer and
# examples/c), the installed
# tapline-info and the installed Python package, each reading the sample recording; then the
# component unregistered again.
#   cmake -DBUILD=... -DWORK=... -DCONSUMER=... -DEXAMPLE=... -DSAMPLE_WRITER=... -DLIBDIR=... \
#         -DCOMPONENTDIR=... -DPYTHONDIR=... -DC_COMPILER=... -DGENERATOR=... \
#         -DMAKE_PROGRAM=... -P check_installation.cmake

# Runs a command with the private class registry; stops the test when it fails. The output
# goes into the variable named by OUTPUT.
function(run)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT" "COMMAND;ENVIRONMENT")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK}/registry
                          ${arg_ENVIRONMENT} ${arg_COMMAND}
                  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result
                  INPUT_FILE /dev/null)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${arg_COMMAND}\nfailed (${result}):\n${output}\n${errors}")
  endif()
  if(arg_OUTPUT)
    set(${arg_OUTPUT} "${output}" PARENT_SCOPE)
  endif()
endfunction()

function(expect_equal what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}: expected\n${expected}\nbut got\n${actual}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
run(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/first-prefix)
file(RENAME ${WORK}/first-prefix ${WORK}/prefix)
set(prefix ${WORK}/prefix)
set(sample ${WORK}/sample.edf)
run(COMMAND ${SAMPLE_WRITER} ${sample})

run(COMMAND ${prefix}/bin/tapline-regsvr ${prefix}/${COMPONENTDIR}/libtapline_open_formats.so)

run(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer -G ${GENERATOR}
            -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_C_COMPILER=${C_COMPILER}
            -DCMAKE_PREFIX_PATH=${prefix})
run(COMMAND ${CMAKE_COMMAND} --build ${WORK}/consumer)
run(COMMAND ${WORK}/consumer/list-segments ${sample} OUTPUT segments)
expect_equal("list-segments" "${segments}" "Segments: 3
0 start 45426.395833 duration 60.000
1 start 45426.396875 duration 45.000
2 start 45426.397917 duration 75.000
")

# The example host of examples/c, built against the installation: units, physical values and
# whole event texts.
run(COMMAND ${CMAKE_COMMAND} -S ${EXAMPLE} -B ${WORK}/example -G ${GENERATOR}
            -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -DCMAKE_C_COMPILER=${C_COMPILER}
            -DCMAKE_PREFIX_PATH=${prefix})
run(COMMAND ${CMAKE_COMMAND} --build ${WORK}/example)
run(COMMAND ${WORK}/example/print-recording ${sample} 0.02 OUTPUT example)
foreach(line "Segments: 3\n" "\nEEG Fp1 \\[uV\\]: -7.95911 13.135 13.0373\n"
             "\nSpO2 \\[%\\]: 97.04\n" "\nEvents: 21\n"
             "\n6 Électrode O1 déplacée \\(Électrode O1 déplacée\\)\n")
  if(NOT example MATCHES "${line}")
    message(FATAL_ERROR "print-recording: no line ${line} in\n${example}")
  endif()
endforeach()

# The installed tool reads what the built one reads.
run(COMMAND ${prefix}/bin/tapline-info ${sample} OUTPUT installed_info)
run(COMMAND ${BUILD}/bin/tapline-info ${sample} OUTPUT built_info)
expect_equal("installed tapline-info" "${installed_info}" "${built_info}")

# Python finds the library installed with it, with no hint.
run(COMMAND /usr/bin/python3 -c [[
import sys, tapline
with tapline.Recording(sys.argv[1]) as rec:
    print(tapline.find_library(), len(rec.segments()), rec.event_count())
]] ${sample} ENVIRONMENT --unset=TAPLINE_LIBRARY PYTHONPATH=${prefix}/${PYTHONDIR}
    PYTHONDONTWRITEBYTECODE=1 OUTPUT python_output)
expect_equal("Python" "${python_output}" "${prefix}/${LIBDIR}/libtapline.so.0 3 21\n")

# Unregistered, the component is gone from the registry and the library opens nothing.
run(COMMAND ${prefix}/bin/tapline-regsvr -u ${prefix}/${COMPONENTDIR}/libtapline_open_formats.so)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK}/registry
                        ${WORK}/consumer/list-segments ${sample}
                RESULT_VARIABLE result OUTPUT_QUIET INPUT_FILE /dev/null)
expect_equal("list-segments after unregistering" "${result}" "1")
