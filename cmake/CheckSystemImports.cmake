# Fails unless every DLL that PROGRAM imports is a Windows system DLL.
#   cmake -DOBJDUMP=... -DPROGRAM=...exe -P CheckSystemImports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls
    kernel32.dll user32.dll gdi32.dll comctl32.dll uxtheme.dll advapi32.dll setupapi.dll
    msvcrt.dll ntdll.dll shell32.dll ole32.dll comdlg32.dll cfgmgr32.dll ws2_32.dll)

if(NOT EXISTS "${PROGRAM}")
    message(FATAL_ERROR "${PROGRAM} does not exist")
endif()
execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed (${status})")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(imported "")
set(imported_lower "")
set(foreign "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" lower)
    list(APPEND imported "${dll}")
    list(APPEND imported_lower "${lower}")
    # api-ms-win-* are the system's own forwarders.
    if(NOT lower IN_LIST system_dlls AND NOT lower MATCHES "^api-ms-win-")
        list(APPEND foreign "${dll}")
    endif()
endforeach()

if(NOT imported)
    message(FATAL_ERROR "no imported DLL found in ${PROGRAM}: not a PE program?")
endif()
if(NOT "kernel32.dll" IN_LIST imported_lower)
    message(FATAL_ERROR "${PROGRAM} does not import KERNEL32.dll; imports: ${imported}")
endif()
if(foreign)
    message(FATAL_ERROR "${PROGRAM} imports DLLs that Windows does not have: ${foreign} (all: ${imported})")
endif()
message(STATUS "${PROGRAM} imports only system DLLs: ${imported}")
