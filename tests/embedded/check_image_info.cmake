# Runs `flintwell-image info` as a user would on HEX, packed by the same tool
# first (--force: the case does not depend on the build's firmware), and
# compares its report with EXPECT (@SHA256@: the packed file's SHA-256 as
# CMake computes it). With CLI, `flintwell-cli --image ... --version` must name
# the image with the same lines. RUN: the emulator command, words split by '|'.
#   cmake -DRUN=... -DTOOL=... -DHEX=... -DWORK_DIR=... -DLANG=en|ru -DEXPECT=...
#         [-DCLI=... -DVERSION=... -DRESET=yes|no] -P check_image_info.cmake
string(REPLACE "|" ";" runner "${RUN}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND ${runner} "${TOOL}" pack "${HEX}" "${WORK_DIR}/image.bin" --force
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${runner} "${TOOL}" info "${WORK_DIR}/image.bin" --lang ${LANG}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
string(REPLACE "\r\n" "\n" output "${output}")  # the Windows C runtime's text mode
file(READ "${EXPECT}" expected)
file(SHA256 "${WORK_DIR}/image.bin" sha)
string(REPLACE "@SHA256@" "${sha}" expected "${expected}")
if(NOT result EQUAL 0 OR NOT output STREQUAL expected)
    message(FATAL_ERROR "info (status ${result}) printed\n[${output}]\ninstead of\n[${expected}]\n${error}")
endif()
if(CLI)
    execute_process(COMMAND ${runner} "${CLI}" --image "${WORK_DIR}/image.bin" --version
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
    string(REPLACE "\r\n" "\n" output "${output}")
    string(REGEX MATCH "firmware: [^\n]*\nimage SHA-256: [^\n]*\n" identity "${expected}")
    set(expected "flintwell-cli ${VERSION}\n${identity}settings reset: ${RESET}\n")
    if(NOT result EQUAL 0 OR NOT output STREQUAL expected)
        message(FATAL_ERROR "--version (status ${result}) printed\n[${output}]\ninstead of\n[${expected}]\n${error}")
    endif()
endif()
