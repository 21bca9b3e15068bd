# Runs `flintwell-image info` as a user would and checks what it prints.
#   cmake -DRUN=<runner|...> -DTOOL=... -DHEX=... -DWORK_DIR=... -DLANG=en|ru
#         [-DEXPECT=<file>] [-DEXPECT_ERROR=<regex>] -P check_image_info.cmake
# RUN is the emulator command (empty natively), its words separated by '|'.
# The hex file is packed with the same tool first (--force: whatever the image
# check says), so that the check does not depend on the firmware the build
# carries.
string(REPLACE "|" ";" runner "${RUN}")
file(MAKE_DIRECTORY "${WORK_DIR}")
get_filename_component(name "${HEX}" NAME_WE)
set(packed "${WORK_DIR}/${name}.bin")

execute_process(COMMAND ${runner} "${TOOL}" pack "${HEX}" "${packed}" --force
                RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "packing ${HEX} failed (${result}): ${error}")
endif()

execute_process(COMMAND ${runner} "${TOOL}" info "${packed}" --lang ${LANG}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
# The Windows C runtime writes text-mode line ends.
string(REPLACE "\r\n" "\n" output "${output}")

if(DEFINED EXPECT)
    file(READ "${EXPECT}" expected)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "info failed (${result}): ${error}")
    endif()
    if(NOT output STREQUAL expected)
        message(FATAL_ERROR "info printed\n[${output}]\ninstead of\n[${expected}]")
    endif()
else()
    if(result EQUAL 0)
        message(FATAL_ERROR "info succeeded on an image without configuration records:\n${output}")
    endif()
    if(NOT output STREQUAL "")
        message(FATAL_ERROR "info printed a report for an image without configuration records:\n${output}")
    endif()
    if(NOT error MATCHES "${EXPECT_ERROR}")
        message(FATAL_ERROR "expected a message matching '${EXPECT_ERROR}', got: ${error}")
    endif()
endif()
