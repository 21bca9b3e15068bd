# Runs Windows test programs under Wine, in a private prefix inside the build
# folder. A fixture creates the prefix once and keeps one wineserver alive
# for the whole CTest run, so each test process starts warm.
set(FLINTWELL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")

if(NOT TEST wine_prefix_start)
    add_test(NAME wine_prefix_start
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" start "${FLINTWELL_WINEPREFIX}")
    add_test(NAME wine_prefix_stop
             COMMAND "${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh" stop "${FLINTWELL_WINEPREFIX}")
    set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
    set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
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
        set_tests_properties(wine.${suite} PROPERTIES FIXTURES_REQUIRED wine
                             ENVIRONMENT "WINEPREFIX=${FLINTWELL_WINEPREFIX}")
    endforeach()
endfunction()
