# A build made with another firmware hex and the settings reset on carries
# both: configures a second build tree of the project with those inputs,
# builds print-build-inputs there and checks what it reads at start-up.
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
run("configuring the second tree" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" -G Ninja
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_COMPILER=${CXX}"
    "-DFLINTWELL_FIRMWARE_HEX=${hex}" -DFLINTWELL_RESET_SETTINGS=ON)
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
