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

# The operator's PC needs nothing but Windows: the program imports only
# system DLLs (no MinGW runtime DLL).
find_program(FLINTWELL_OBJDUMP NAMES x86_64-w64-mingw32-objdump objdump REQUIRED)
foreach(program Flintwell flintwell-cli)
    string(TOLOWER "${program}" name)
    string(REPLACE "-" "_" name "${name}")
    add_test(NAME ${name}_exe_imports_system_dlls_only
             COMMAND "${CMAKE_COMMAND}" -DOBJDUMP=${FLINTWELL_OBJDUMP} -DPROGRAM=$<TARGET_FILE:${program}>
                     -P "${CMAKE_SOURCE_DIR}/cmake/CheckSystemImports.cmake")
endforeach()

# The window layer's own tests: they need a display, so they run under Xvfb,
# in a named Wine desktop of their own (a process of the shared, display-less
# wineserver session can create no window otherwise). Wine's explorer does
# not pass on the exit status: GoogleTest's summary decides.
add_executable(flintwell_win32_ui_tests "${CMAKE_SOURCE_DIR}/tests/win32_window/window_layer_test.cpp")
flintwell_program(flintwell_win32_ui_tests flintwell_win32_ui)
flintwell_embed_resources(flintwell_win32_ui_tests)
target_link_libraries(flintwell_win32_ui_tests PRIVATE gtest gtest_main)
target_compile_definitions(flintwell_win32_ui_tests PRIVATE EXPECTED_TEXTS_DIR="${CMAKE_SOURCE_DIR}/tests/data")
# Under a Western Windows's code page (1252): no caption may depend on it.
add_test(NAME wine.Win32WindowLayer
         COMMAND xvfb-run -a -s "-screen 0 1024x768x24"
                 "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh" "${CMAKE_BINARY_DIR}/wineprefix"
                 explorer /desktop=flintwell-window-tests,1024x768 $<TARGET_FILE:flintwell_win32_ui_tests>)
set_tests_properties(wine.Win32WindowLayer PROPERTIES
    FIXTURES_REQUIRED wine TIMEOUT 120
    ENVIRONMENT "LC_ALL=C.UTF-8"
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
