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

# kov_add_tests(<folder> <libraries>...): one test executable for tests/<folder>, every test
# registered with CTest at test time and given a time-out. Nothing happens while the folder
# has no tests.
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
    gtest_discover_tests(${target}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT 120)
endfunction()
