# Runs Windows test programs under Wine, in a private prefix inside the build
# folder. A fixture creates the prefix once and keeps one wineserver alive
# for the whole CTest run, so each test process starts warm.
#
# The same fixture provides COM ports: pseudo-terminal pairs made by socat
# (scripts/wine-com-ports.sh), registered in the prefix's
# HKLM\Software\Wine\Ports and so listed under SERIALCOMM:
#
#   COM5 = wine-ports/com5  <->  COM6 = wine-ports/com6   (one pair: a test opens
#                                                          both and talks to itself)
#   COM7 = wine-ports/com7  <->  wine-ports/com7-peer     (the Linux end, for a
#                                                          reader simulator: --tty)
#
# wine-ports/ is in the build folder (FLINTWELL_WINE_PORTS, also passed to the
# tests in the environment variable of that name). Test suites whose name
# begins with WineCom require the fixture wine_com_ports.
set(FLINTWELL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(FLINTWELL_WINE_PORTS "${CMAKE_BINARY_DIR}/wine-ports")

if(NOT TEST wine_prefix_start)
    add_test(NAME wine_prefix_start
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" start "${FLINTWELL_WINEPREFIX}"
                     "${FLINTWELL_WINE_PORTS}")
    add_test(NAME wine_prefix_stop
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" stop "${FLINTWELL_WINEPREFIX}"
                     "${FLINTWELL_WINE_PORTS}")
    set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP "wine;wine_com_ports" TIMEOUT 180)
    set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP "wine;wine_com_ports")
endif()

# One CTest case per test suite of a GoogleTest program, each run under Wine.
function(flintwell_wine_gtest target)
    get_target_property(sources ${target} SOURCES)
    set(suites "")
    foreach(source IN LISTS sources)
        if(NOT IS_ABSOLUTE "${source}")
            continue()
        endif()
        file(STRINGS "${source}" lines REGEX "^TEST(_F|_P)?\\(")
        foreach(line IN LISTS lines)
            if(line MATCHES "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),")
                list(APPEND suites "${CMAKE_MATCH_2}")
            endif()
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES suites)
    foreach(suite IN LISTS suites)
        add_test(NAME wine.${suite} COMMAND ${target} --gtest_filter=${suite}.*:${suite}/*)
        set(fixtures wine)
        if(suite MATCHES "^WineCom")
            # The COM ports are shared: one such suite at a time.
            list(APPEND fixtures wine_com_ports)
            set_tests_properties(wine.${suite} PROPERTIES RESOURCE_LOCK wine_com_ports)
        endif()
        # GoogleTest's summary decides: a process that ends half-way through
        # (a control event's default handler ends it with status 0) fails.
        set_tests_properties(wine.${suite} PROPERTIES FIXTURES_REQUIRED "${fixtures}"
                             ENVIRONMENT "WINEPREFIX=${FLINTWELL_WINEPREFIX};FLINTWELL_WINE_PORTS=${FLINTWELL_WINE_PORTS}"
                             PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
                             FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    endforeach()
endfunction()
