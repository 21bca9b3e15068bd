# Writes what the version block of resources/flintwell.rc needs for one set of
# embedded resources: the program's own version, and what it carries as the
# image tool's info names it (device with the USB board, firmware version)
# with the settings-reset choice of its configuration text.
#   cmake -DTOOL=flintwell-image -DIMAGE=flintwell_image.bin -DCONFIG=flintwell_config.txt
#         -DPROGRAM_VERSION=1.0.0 -DOUTPUT=flintwell_version.h -P VersionBlock.cmake
execute_process(COMMAND "${TOOL}" info "${IMAGE}" RESULT_VARIABLE status OUTPUT_VARIABLE info ERROR_QUIET)
if(status EQUAL 0 AND info MATCHES "\nfirmware: +([^\n]+) ([0-9A-F]+)\\.([0-9A-F]+)\n")
    set(firmware "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    set(product_numbers "${CMAKE_MATCH_2},${CMAKE_MATCH_3},0,0")
    if(NOT product_numbers MATCHES "^[0-9]+,[0-9]+,0,0$")
        set(product_numbers "0,0,0,0")
    endif()
    string(REGEX REPLACE "(^|,)0+([0-9])" "\\1\\2" product_numbers "${product_numbers}")
else()
    # A test program's image that is broken on purpose.
    set(firmware "no readable image")
    set(product_numbers "0,0,0,0")
endif()

# The rule of the program's start-up: the first line, up to a CR or a zero
# byte, says it. Read as hex digits: a text read drops the CR.
file(READ "${CONFIG}" config HEX)
string(HEX "RESET_SETTINGS = TRUE;" on)
if(config STREQUAL on OR config MATCHES "^${on}(0d|00)")
    set(reset_en "settings reset")
    set(reset_ru "со сбросом настроек")
else()
    set(reset_en "settings kept")
    set(reset_ru "без сброса настроек")
endif()

string(REPLACE "." "," file_numbers "${PROGRAM_VERSION}.0")
file(WRITE "${OUTPUT}.new"
     "// Made by cmake/VersionBlock.cmake from ${IMAGE}.\n"
     "#define FLINTWELL_FILE_VERSION ${file_numbers}\n"
     "#define FLINTWELL_FILE_VERSION_TEXT \"${PROGRAM_VERSION}.0\"\n"
     "#define FLINTWELL_PRODUCT_VERSION ${product_numbers}\n"
     "#define FLINTWELL_DESCRIPTION_EN \"Flintwell: ${firmware} firmware update, ${reset_en}\"\n"
     "#define FLINTWELL_PRODUCT_VERSION_EN \"${firmware}, ${reset_en}\"\n"
     "#define FLINTWELL_DESCRIPTION_RU \"Flintwell: обновление прошивки ${firmware}, ${reset_ru}\"\n"
     "#define FLINTWELL_PRODUCT_VERSION_RU \"${firmware}, ${reset_ru}\"\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
