# Each subsystem folder holds its portable sources directly and this
# platform's side of its facades in a win32/ or posix/ subfolder. Every .cpp
# found there belongs to the build, so adding a file needs no list to be
# edited. The front ends (frontends/) are programs of their own.
function(flintwell_add_subsystem folder)
    file(GLOB portable CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    file(GLOB platform CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/${FLINTWELL_PLATFORM}/*.cpp")
    if(portable)
        target_sources(flintwell_core PRIVATE ${portable})
    endif()
    if(platform)
        target_sources(flintwell_platform PRIVATE ${platform})
    endif()
endfunction()
