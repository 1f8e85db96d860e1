# Runs the directory tool into a fresh folder and compares what it writes,
# byte for byte, with the committed table and report.
file(REMOVE_RECURSE ${OUT})
execute_process(
  COMMAND ${PYTHON} ${TOOL} --sources ${SOURCES} --out ${OUT}
  RESULT_VARIABLE tool_result
  OUTPUT_VARIABLE tool_output
  ERROR_VARIABLE tool_errors)
if(NOT tool_result EQUAL 0)
  message(FATAL_ERROR "the directory tool failed (${tool_result}):\n${tool_output}${tool_errors}")
endif()
foreach(name PostalEntries.inc REPORT.md)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${COMMITTED}/${name}
    RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "directory/${name} is not what the tool writes from the lists "
                        "(fresh copy: ${OUT}/${name}); run tools/make_directory.py and commit")
  endif()
endforeach()
message(STATUS "directory/PostalEntries.inc and directory/REPORT.md match the tool's output")
