# Shared warning flags for every target of ours.
function(korvo_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wpedantic)
endfunction()

# A core library: plain C++20 without Qt. The include root is src/, so code includes
# "model/Configuration.h" and the layer is visible at every include.
function(korvo_add_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(korvo_${name} STATIC ${ARG_SOURCES})
    add_library(Korvo::${name} ALIAS korvo_${name})
    target_include_directories(korvo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(korvo_${name} PUBLIC ${ARG_DEPENDS})
    korvo_set_warnings(korvo_${name})
    set_property(GLOBAL APPEND PROPERTY KORVO_CORE_TARGETS korvo_${name})
endfunction()

# One GoogleTest executable per call; every test case becomes a CTest test.
function(korvo_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    korvo_set_warnings(${name})
    gtest_discover_tests(${name}
        PROPERTIES ENVIRONMENT TZ=UTC
        DISCOVERY_TIMEOUT 60)
endfunction()
