# Helpers that give every target of the project the same standard, warnings and test set-up.

set(TIDEWELL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)

# tidewell_library(NAME SOURCES ... DEPENDS ... [SYSTEM_DEPENDS ...])
function(tidewell_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${TIDEWELL_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# tidewell_executable(NAME SOURCES ... DEPENDS ...)
function(tidewell_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${TIDEWELL_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
endfunction()

# tidewell_test(NAME SOURCES ... DEPENDS ... [ENVIRONMENT ...])
# One GoogleTest executable; every test case becomes a CTest test with a fixed locale.
function(tidewell_test name)
    if(NOT TIDEWELL_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${TIDEWELL_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "LANG=C.UTF-8;LC_ALL=C.UTF-8;${ARG_ENVIRONMENT}")
endfunction()

# tidewell_benchmark(NAME SOURCES ... DEPENDS ...)
function(tidewell_benchmark name)
    if(NOT TIDEWELL_BUILD_BENCH)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${TIDEWELL_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} benchmark::benchmark)
endfunction()
