find_package(Threads REQUIRED)

# Our libraries register classes, published properties and resources from static
# initialisers in units nobody references by symbol (a class made only by name from a stored
# definition). Every link against them takes the whole archive so none of that is dropped.
function(kov_whole_archive out)
    set(result)
    foreach(lib ${ARGN})
        set(type "")
        if(TARGET ${lib})
            get_target_property(type ${lib} TYPE)
        endif()
        if(lib MATCHES "^kov_" AND NOT type STREQUAL "INTERFACE_LIBRARY")
            list(APPEND result "$<LINK_LIBRARY:WHOLE_ARCHIVE,${lib}>")
        else()
            list(APPEND result "${lib}")
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# kov_add_library(<target> <folder> [DEPENDS <libraries>...] [EXCLUDE <files>...]): one static
# library from every source in <folder> but the excluded ones. A folder without sources yet
# gives an interface library, so the layers above can name it already.
function(kov_add_library target folder)
    cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        "${CMAKE_SOURCE_DIR}/${folder}/*.cpp"
        "${CMAKE_SOURCE_DIR}/${folder}/*.c")
    foreach(excluded ${ARG_EXCLUDE})
        list(REMOVE_ITEM sources "${CMAKE_SOURCE_DIR}/${folder}/${excluded}")
    endforeach()
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}")
        if(ARG_DEPENDS)
            kov_whole_archive(deps ${ARG_DEPENDS})
            target_link_libraries(${target} PUBLIC ${deps})
        endif()
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE "${CMAKE_SOURCE_DIR}")
        if(ARG_DEPENDS)
            kov_whole_archive(deps ${ARG_DEPENDS})
            target_link_libraries(${target} INTERFACE ${deps})
        endif()
    endif()
endfunction()

# kov_add_tests(<folder> <libraries>...): one test executable for tests/<folder>, registered
# with CTest at test time as one entry per test suite, each with a time-out
# (cmake/KovTestDiscovery.cmake). Nothing happens while the folder has no tests.
set(KOV_TEST_SECONDS_PER_TEST 120 CACHE STRING "CTest time-out of a suite per test it holds")
set(KOV_TEST_SECONDS_PER_SUITE 300 CACHE STRING "The least CTest time-out of a suite")
set(KOV_TEST_DISCOVERY_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/KovTestDiscovery.cmake")

function(kov_add_tests folder)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp")
    if(NOT sources)
        return()
    endif()
    string(REPLACE "/" "_" name "${folder}")
    set(target "test_${name}")
    add_executable(${target} ${sources})
    kov_whole_archive(libs ${ARGN})
    target_link_libraries(${target} PRIVATE ${libs} kov_testsupport)
    # Not position independent: a sanitized position-independent executable starts by
    # relocating a million pointers of the sanitizers' data (a second of CPU for the larger
    # test executables, paid by every CTest entry); linked at a fixed address it needs none.
    target_link_options(${target} PRIVATE -no-pie)

    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake")
    file(GENERATE OUTPUT "${include_file}" CONTENT "\
set(KOV_DISCOVER_TARGET [==[${target}]==])
set(KOV_DISCOVER_EXECUTABLE [==[$<TARGET_FILE:${target}>]==])
set(KOV_DISCOVER_WORKDIR [==[${CMAKE_CURRENT_BINARY_DIR}]==])
set(KOV_DISCOVER_OUTPUT [==[${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake]==])
set(KOV_DISCOVER_TIMEOUT 60)
set(KOV_DISCOVER_PER_TEST ${KOV_TEST_SECONDS_PER_TEST})
set(KOV_DISCOVER_MINIMUM ${KOV_TEST_SECONDS_PER_SUITE})
include([==[${KOV_TEST_DISCOVERY_SCRIPT}]==])
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()
