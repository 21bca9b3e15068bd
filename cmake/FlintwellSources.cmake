# Each subsystem folder holds its portable sources directly and this
# platform's side of its facades in a win32/ or posix/ subfolder; the headless
# window layer sits in ui/headless/. Every .cpp found there belongs to the
# build, so adding a file needs no list to be edited.
function(flintwell_add_subsystem folder)
    file(GLOB portable CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    file(GLOB platform CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/${FLINTWELL_PLATFORM}/*.cpp")
    # The real window (ui/win32/) and the GUI program's entry point belong to
    # Flintwell.exe alone (cmake/Win32Window.cmake): the tools and the test
    # programs run on the headless window layer.
    list(FILTER platform EXCLUDE REGEX "/ui/win32/[^/]*\\.cpp$")
    list(FILTER platform EXCLUDE REGEX "/app/win32/winmain\\.cpp$")
    if(portable)
        target_sources(flintwell_core PRIVATE ${portable})
    endif()
    if(platform)
        target_sources(flintwell_platform PRIVATE ${platform})
    endif()
endfunction()
