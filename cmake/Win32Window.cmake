# Flintwell.exe: the portable core and this platform's facades with the real
# Win32 window (ui/win32/) instead of the headless one, the entry point
# app/win32/winmain.cpp and the program's resources. Windows only.

file(GLOB win32_ui CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/ui/win32/*.cpp")
add_library(flintwell_win32_ui OBJECT ${win32_ui})
target_include_directories(flintwell_win32_ui PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(flintwell_win32_ui PUBLIC comctl32 uxtheme gdi32 user32)

# A GUI-subsystem program (-mwindows) whose entry point is wWinMain.
add_executable(Flintwell WIN32 "${CMAKE_SOURCE_DIR}/app/win32/winmain.cpp")
flintwell_program(Flintwell flintwell_win32_ui)
flintwell_embed_resources(Flintwell)
target_compile_options(Flintwell PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode>)
target_link_options(Flintwell PRIVATE -municode)
set_target_properties(Flintwell PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
# The icons are read by the resource compiler: a new picture rebuilds.
file(GLOB flintwell_icons CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/resources/icons/*.ico")
set_property(SOURCE "${CMAKE_SOURCE_DIR}/resources/flintwell.rc" TARGET_DIRECTORY Flintwell APPEND
             PROPERTY OBJECT_DEPENDS ${flintwell_icons})
