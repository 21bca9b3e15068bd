# The two embedded resources of the updater, made from the build inputs:
#   flintwell_image.bin   FLINTWELL_FIRMWARE_HEX checked and packed by the image tool at
#                         build time: natively this build's flintwell-image,
#                         cross-building the native one named by
#                         FLINTWELL_HOST_IMAGE_TOOL (build the native preset first);
#   flintwell_config.txt  "RESET_SETTINGS = TRUE;\r\n" or "... FALSE;\r\n"
#                         from FLINTWELL_RESET_SETTINGS;
#   flintwell_version.h   (Windows) what the version block says: the image's
#                         device and firmware as the image tool's info reads
#                         them, the settings-reset choice, the program's version.
# On Windows they become resources of the .exe through resources/flintwell.rc;
# on Linux a generated source compiles them in (image/posix/resource_blobs.h).

if(CMAKE_CROSSCOMPILING)
    if(NOT FLINTWELL_HOST_IMAGE_TOOL OR NOT EXISTS "${FLINTWELL_HOST_IMAGE_TOOL}")
        message(FATAL_ERROR
            "The Windows build packs its firmware with the native image tool, which is missing:\n"
            "  FLINTWELL_HOST_IMAGE_TOOL = '${FLINTWELL_HOST_IMAGE_TOOL}'\n"
            "Build the native preset first:\n"
            "  cmake --preset native && cmake --build --preset native --target flintwell-image\n"
            "or point FLINTWELL_HOST_IMAGE_TOOL at a native flintwell-image.")
    endif()
    set(FLINTWELL_PACK_TOOL "${FLINTWELL_HOST_IMAGE_TOOL}")
    set(FLINTWELL_PACK_TOOL_DEPENDS "${FLINTWELL_HOST_IMAGE_TOOL}")
else()
    set(FLINTWELL_PACK_TOOL "$<TARGET_FILE:flintwell-image>")
    set(FLINTWELL_PACK_TOOL_DEPENDS flintwell-image)
endif()

if(WIN32)
    enable_language(RC)
endif()

# flintwell_version_block(<folder>)
# The version block's header of a set of blobs in <folder> (Windows), made at
# build time from its image and configuration text.
function(flintwell_version_block dir)
    add_custom_command(
        OUTPUT "${dir}/flintwell_version.h"
        COMMAND "${CMAKE_COMMAND}" -DTOOL=${FLINTWELL_PACK_TOOL} -DIMAGE=${dir}/flintwell_image.bin
                -DCONFIG=${dir}/flintwell_config.txt -DPROGRAM_VERSION=${PROJECT_VERSION}
                -DOUTPUT=${dir}/flintwell_version.h -P "${CMAKE_SOURCE_DIR}/cmake/VersionBlock.cmake"
        DEPENDS "${dir}/flintwell_image.bin" "${dir}/flintwell_config.txt" "${CMAKE_SOURCE_DIR}/cmake/VersionBlock.cmake"
        COMMENT "Naming the image of ${dir} in the version block"
        VERBATIM)
endfunction()

# flintwell_resource_set(<name> HEX <firmware.hex> CONFIG <configuration text file> [UNCHECKED])
# Makes one set of blobs in generated/resources/<name>/ and a target <name>
# that builds them (on Linux an object library with the generated source).
# The configuration text is copied at configure time; the firmware is packed
# at build time, again whenever the hex file or the tool changes. Packing
# runs the image check first: a hex file that fails it stops the build with
# the check's 'FILE:LINE: reason' lines before anything that embeds the
# image is compiled. UNCHECKED packs it anyway (test images that are broken
# on purpose).
function(flintwell_resource_set name)
    cmake_parse_arguments(arg "UNCHECKED" "HEX;CONFIG" "" ${ARGN})
    set(force "")
    if(arg_UNCHECKED)
        set(force "--force")
    endif()
    set(dir "${CMAKE_BINARY_DIR}/generated/resources/${name}")
    set(image "${dir}/flintwell_image.bin")
    set(config "${dir}/flintwell_config.txt")
    configure_file("${arg_CONFIG}" "${config}" COPYONLY)
    add_custom_command(
        OUTPUT "${image}"
        COMMAND ${FLINTWELL_PACK_TOOL} pack "${arg_HEX}" "${image}" ${force}
        DEPENDS "${arg_HEX}" ${FLINTWELL_PACK_TOOL_DEPENDS}
        COMMENT "Packing ${arg_HEX} for ${name}"
        VERBATIM)
    if(WIN32)
        flintwell_version_block("${dir}")
        add_custom_target(${name} DEPENDS "${image}" "${config}" "${dir}/flintwell_version.h")
    else()
        set(source "${dir}/resource_blobs.cpp")
        add_custom_command(
            OUTPUT "${source}"
            COMMAND "${CMAKE_COMMAND}" -DIMAGE=${image} -DCONFIG=${config} -DOUTPUT=${source}
                    -P "${CMAKE_SOURCE_DIR}/cmake/EmbedBlobs.cmake"
            DEPENDS "${image}" "${config}" "${CMAKE_SOURCE_DIR}/cmake/EmbedBlobs.cmake"
            COMMENT "Compiling in the resources of ${name}"
            VERBATIM)
        add_library(${name} OBJECT "${source}")
        target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}")
    endif()
    set_property(TARGET ${name} PROPERTY FLINTWELL_RESOURCE_DIR "${dir}")
endfunction()

# flintwell_embed_resources(<target> [SET <resource set>])
# Gives a program the two resources of a set (default: flintwell_resources,
# the build's own): on Windows the resource script compiled with the set's
# folder on its include path, on Linux the set's object library.
function(flintwell_embed_resources target)
    cmake_parse_arguments(arg "" "SET" "" ${ARGN})
    if(NOT arg_SET)
        set(arg_SET flintwell_resources)
    endif()
    get_property(dir TARGET ${arg_SET} PROPERTY FLINTWELL_RESOURCE_DIR)
    if(WIN32)
        set(script "${CMAKE_SOURCE_DIR}/resources/flintwell.rc")
        target_sources(${target} PRIVATE "${script}")
        target_include_directories(${target} PRIVATE "${CMAKE_SOURCE_DIR}" "$<$<COMPILE_LANGUAGE:RC>:${dir}>")
        set_property(SOURCE "${script}" TARGET_DIRECTORY ${target} APPEND PROPERTY
            OBJECT_DEPENDS "${dir}/flintwell_image.bin" "${dir}/flintwell_config.txt" "${dir}/flintwell_version.h")
        add_dependencies(${target} ${arg_SET})
    else()
        target_link_libraries(${target} PRIVATE ${arg_SET})
    endif()
endfunction()

# The build's own set.
if(FLINTWELL_RESET_SETTINGS)
    set(FLINTWELL_RESET_SETTINGS_TEXT "TRUE")
else()
    set(FLINTWELL_RESET_SETTINGS_TEXT "FALSE")
endif()
# Written byte for byte (CR LF), and only when it changes, so that a new
# configure run does not rebuild the programs.
file(WRITE "${CMAKE_BINARY_DIR}/generated/flintwell_config.txt.new"
     "RESET_SETTINGS = ${FLINTWELL_RESET_SETTINGS_TEXT};\r\n")
file(COPY_FILE "${CMAKE_BINARY_DIR}/generated/flintwell_config.txt.new"
     "${CMAKE_BINARY_DIR}/generated/flintwell_config.txt" ONLY_IF_DIFFERENT)
flintwell_resource_set(flintwell_resources
    HEX "${FLINTWELL_FIRMWARE_HEX}"
    CONFIG "${CMAKE_BINARY_DIR}/generated/flintwell_config.txt")
