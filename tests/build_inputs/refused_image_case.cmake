# A second build tree (kept between runs) whose firmware hex has a record after
# its end-of-file record: building its resources must stop with the image
# check's 'FILE:LINE: reason' before the blobs are compiled.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DCXX=... -P refused_image_case.cmake
file(MAKE_DIRECTORY "${WORK_DIR}")
set(hex "${WORK_DIR}/after_the_end.hex")
file(READ "${SOURCE_DIR}/resources/firmware/karvo7_krm_1_05.hex" text)
file(WRITE "${hex}" "${text}:0100000000FF\r\n")
string(REGEX MATCHALL "\n" line_ends "${text}")
list(LENGTH line_ends line)
math(EXPR line "${line} + 1")

execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/tree" -G Ninja -DCMAKE_BUILD_TYPE=Debug
                        "-DCMAKE_CXX_COMPILER=${CXX}" "-DFLINTWELL_FIRMWARE_HEX=${hex}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "configuring the second tree failed:\n${output}\n${error}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}/tree" --target flintwell_resources
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
set(expected "${hex}:${line}: text after the end-of-file record is never written")
string(FIND "${output}" "${expected}" found)
string(FIND "${output}" "resource_blobs.cpp.o" compiled)
if(result EQUAL 0 OR found EQUAL -1 OR NOT compiled EQUAL -1)
    message(FATAL_ERROR "the build of an image failing the check (status ${result}) should stop with\n"
                        "${expected}\nbefore compiling the blobs; it printed:\n${output}\n${error}")
endif()
