# One case of the key-file rules: a broken key file derived from the
# development files must stop the table generator with "file:line: reason".
#   cmake -DCASE=... -DSOURCE_DIR=... -DWORK_DIR=... -P key_rules_case.cmake
set(packet "${SOURCE_DIR}/resources/keys/packet_keys.txt")
set(image "${SOURCE_DIR}/resources/keys/image_keys.txt")
file(READ "${packet}" text)
file(MAKE_DIRECTORY "${WORK_DIR}")
set(bad "${WORK_DIR}/${CASE}.txt")
# The development files hold three comment lines, then one key a line; line 5
# is the second key.
set(second "\n0x058E2C58\n")
if(CASE STREQUAL "malformed")
    string(REPLACE "${second}" "\n0x058E2G58\n" text "${text}")
    set(expect "${bad}:5: '0x058E2G58' is not a hexadecimal value")
elseif(CASE STREQUAL "too_wide")
    string(REPLACE "${second}" "\n0x1058E2C58\n" text "${text}")
    set(expect "${bad}:5: '0x1058E2C58' does not fit 32 bits")
elseif(CASE STREQUAL "duplicate_low_byte")
    string(REPLACE "${second}" "\n0x00000041\n" text "${text}")
    set(expect "${bad}:5: low byte 0x41 already used by the entry on line 4")
elseif(CASE STREQUAL "too_few")
    string(REPLACE "${second}" "\n# removed\n" text "${text}")
    set(expect "${bad}:131: only 127 keys up to here, the table needs 128")
elseif(CASE STREQUAL "too_many")
    string(APPEND text "0x12345602\n")
    set(expect "${bad}:132: key number 129; the table holds exactly 128")
elseif(CASE STREQUAL "image_prefix_differs")
    file(READ "${image}" image_text)
    string(REPLACE "${second}" "\n0x158E2C58\n" image_text "${image_text}")
    set(image "${WORK_DIR}/${CASE}_image.txt")
    file(WRITE "${image}" "${image_text}")
    set(expect "${image}:5: image key 1 is 0x158E2C58 but must equal packet key 1, 0x058E2C58")
endif()
file(WRITE "${bad}" "${text}")

execute_process(COMMAND "${CMAKE_COMMAND}" -DPACKET_KEYS=${bad} -DIMAGE_KEYS=${image} -DOUTPUT=${WORK_DIR}/${CASE}.cpp
                        -P "${SOURCE_DIR}/cmake/GenerateKeyTables.cmake"
                RESULT_VARIABLE result ERROR_VARIABLE error)
string(REGEX REPLACE "[ \n]+" " " error "${error}")
string(FIND "${error}" "${expect}" at)
if(result EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "broken key file (status ${result}): expected '${expect}', got '${error}'")
endif()
