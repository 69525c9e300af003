# Shared warning flags for every target of ours.
function(korvo_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wpedantic)
    # GCC 12 reports "literal" + std::string as overlapping memcpy at -O2 (GCC bug 105329), a
    # false alarm that would otherwise forbid the most ordinary string building.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
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

# One GoogleTest executable per call; every test case becomes a CTest test. The programs the
# tests start keep their acquisition cache in the build, one folder per executable, never in
# the user's home.
function(korvo_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    korvo_set_warnings(${name})
    gtest_discover_tests(${name}
        PROPERTIES ENVIRONMENT "TZ=UTC;XDG_CACHE_HOME=${PROJECT_BINARY_DIR}/test-home/cache-${name}"
        DISCOVERY_TIMEOUT 60)
endfunction()

# One Qt Test executable per test file; QT_QPA_PLATFORM=offscreen keeps it away from any display,
# and a home folder of its own inside the build keeps it away from the user's files.
function(korvo_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} Qt6::Test)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    korvo_set_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set(home ${PROJECT_BINARY_DIR}/test-home)
    file(MAKE_DIRECTORY ${home} ${home}/runtime)
    file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TZ=UTC;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/runtime"
        TIMEOUT 60)
endfunction()

# Fails the configuration when a core target links Qt, directly or through another target: the
# core builds and runs without any windowing library.
function(korvo_check_core_without_qt)
    get_property(core GLOBAL PROPERTY KORVO_CORE_TARGETS)
    foreach(target IN LISTS core)
        set(pending ${target})
        set(seen "")
        while(pending)
            list(POP_FRONT pending current)
            if(current IN_LIST seen)
                continue()
            endif()
            list(APPEND seen ${current})
            if(NOT TARGET ${current})
                continue()
            endif()
            get_target_property(direct ${current} LINK_LIBRARIES)
            get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
            foreach(item IN LISTS direct interface)
                if(NOT item OR item MATCHES "-NOTFOUND$")
                    continue()
                endif()
                # $<LINK_ONLY:x> and similar wrappers name the library inside.
                string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" item "${item}")
                if(item MATCHES "(^|[/:])(lib)?Qt[0-9]*([A-Z:_]|$)")
                    message(FATAL_ERROR "The core target ${target} links Qt (${item} through ${current}); "
                        "the core must stay free of Qt.")
                endif()
                list(APPEND pending ${item})
            endforeach()
        endwhile()
    endforeach()
endfunction()

# Runs once every folder has been read, whatever order the folders are added in.
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL korvo_check_core_without_qt)
