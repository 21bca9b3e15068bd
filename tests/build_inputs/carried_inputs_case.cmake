# A build made with another firmware hex and the settings reset on carries
# both: configures a second build tree of the project with those inputs,
# builds print-build-inputs there and checks what it reads at start-up.
# Then the same tree with a hex file that fails the image check: the build
# stops with the check's 'FILE:LINE: reason' before it compiles the blobs.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DMAKE_SAMPLE=... -DCXX=... -P carried_inputs_case.cmake
# The tree is kept between runs, so later runs only rebuild what changed.
file(MAKE_DIRECTORY "${WORK_DIR}")
set(hex "${WORK_DIR}/karvo7_kru_2_03.hex")
set(tree "${WORK_DIR}/tree")

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${what} failed (${result}):\n${output}\n${error}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

run("make-sample-firmware" "${MAKE_SAMPLE}" --type 0x0C00 --version 0x0203 --hardware 0x00040506
    --barcode 0x01020304 "${hex}")
function(configure firmware)
    run("configuring the second tree" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" -G Ninja
        -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_COMPILER=${CXX}"
        "-DFLINTWELL_FIRMWARE_HEX=${firmware}" -DFLINTWELL_RESET_SETTINGS=ON)
endfunction()
configure("${hex}")
run("building print-build-inputs" "${CMAKE_COMMAND}" --build "${tree}" --target print-build-inputs)
run("print-build-inputs" "${tree}/tests/build_inputs/print-build-inputs")

set(expected "deviceType: 0x00000C00
hardware: 0x00040506
softwareVersion: 0x00000203
barcode: 0x01020304
resetSettingsDefault: 1
")
if(NOT output STREQUAL expected)
    message(FATAL_ERROR "the second build carries\n${output}\ninstead of\n${expected}")
endif()

# A record after the end-of-file record: never written, so never packed.
file(READ "${hex}" text)
string(REGEX MATCHALL "\n" line_ends "${text}")
list(LENGTH line_ends count)
math(EXPR extra "${count} + 1")
set(broken "${WORK_DIR}/after_the_end.hex")
file(COPY_FILE "${hex}" "${broken}")
file(APPEND "${broken}" ":0100000000FF\r\n")
configure("${broken}")
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${tree}" --target print-build-inputs
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
set(expected "${broken}:${extra}: text after the end-of-file record is never written")
string(FIND "${output}" "${expected}" found)
string(FIND "${output}" "resource_blobs.cpp.o" compiled)
if(result EQUAL 0 OR found EQUAL -1 OR NOT compiled EQUAL -1)
    message(FATAL_ERROR "the build of an image failing the check (status ${result}) should stop with\n"
                        "${expected}\nbefore compiling the blobs; it printed:\n${output}\n${error}")
endif()
