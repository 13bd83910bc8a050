# Registers one CTest entry per GoogleTest suite of a test executable, at test time.
#
# kov_add_tests (cmake/Kov.cmake) adds a small file to the directory's TEST_INCLUDE_FILES that
# sets the variables below and includes this script. Whenever the executable is newer than the
# list the script made last time, it asks the executable for its tests (--gtest_list_tests) and
# writes one entry
#
#     <target>:<suite>   runs   <executable> --gtest_filter=<suite>.*
#
# per suite, with a time-out that grows with the number of tests in it. A hang or a crash thus
# still names its suite in CTest's summary, and the output (which --output-on-failure shows)
# names the test: GoogleTest prints each test's name as it starts, and the test main's watchdog
# names a test that runs too long. One process per suite instead of one per test keeps the
# start-up costs off the total.
#
# Variables the including file sets:
#   KOV_DISCOVER_TARGET      the target's name, the prefix of every entry
#   KOV_DISCOVER_EXECUTABLE  the test executable
#   KOV_DISCOVER_WORKDIR     the working directory of the tests
#   KOV_DISCOVER_OUTPUT      the CTest file to write
#   KOV_DISCOVER_TIMEOUT     seconds the listing may take
#   KOV_DISCOVER_PER_TEST    seconds of time-out per test of a suite
#   KOV_DISCOVER_MINIMUM     the least time-out of a suite, in seconds

function(_kov_quote out text)
    # A bracket argument whose closing mark cannot appear in the text.
    set(equals "=")
    while(text MATCHES "]${equals}]")
        string(APPEND equals "=")
    endwhile()
    set(${out} "[${equals}[${text}]${equals}]" PARENT_SCOPE)
endfunction()

function(_kov_write_suite script_var suite count enabled)
    set(script "${${script_var}}")
    set(name "${KOV_DISCOVER_TARGET}:${suite}")
    math(EXPR timeout "${count} * ${KOV_DISCOVER_PER_TEST}")
    if(timeout LESS KOV_DISCOVER_MINIMUM)
        set(timeout ${KOV_DISCOVER_MINIMUM})
    endif()
    _kov_quote(qname "${name}")
    _kov_quote(qexe "${KOV_DISCOVER_EXECUTABLE}")
    _kov_quote(qfilter "--gtest_filter=${suite}.*")
    _kov_quote(qdir "${KOV_DISCOVER_WORKDIR}")
    string(APPEND script "add_test(${qname} ${qexe} ${qfilter})\n")
    string(APPEND script "set_tests_properties(${qname} PROPERTIES WORKING_DIRECTORY ${qdir} TIMEOUT ${timeout}")
    if(enabled EQUAL 0)
        string(APPEND script " DISABLED TRUE")
    endif()
    string(APPEND script ")\n")
    set(${script_var} "${script}" PARENT_SCOPE)
endfunction()

function(_kov_list_suites)
    execute_process(
        COMMAND "${KOV_DISCOVER_EXECUTABLE}" --gtest_list_tests
        WORKING_DIRECTORY "${KOV_DISCOVER_WORKDIR}"
        TIMEOUT ${KOV_DISCOVER_TIMEOUT}
        OUTPUT_VARIABLE output
        ERROR_VARIABLE errors
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        set(listed FALSE PARENT_SCOPE)
        return()
    endif()

    # Lines of the listing: "Suite." or "Suite.  # TypeParam = ..." start a suite, indented
    # lines are its tests ("Name" or "Name  # GetParam() = ..."). Only the names matter here;
    # a parameter's text may hold any character, so it is cut before the text becomes a list.
    string(REGEX REPLACE "[ \t]+#[^\n]*" "" output "${output}")
    string(REPLACE ";" "" output "${output}")
    string(REPLACE "\n" ";" lines "${output}")

    set(script "# Written by KovTestDiscovery.cmake from the listing of ${KOV_DISCOVER_EXECUTABLE}\n")
    set(suite "")
    set(count 0)
    set(enabled 0)
    foreach(line IN LISTS lines)
        if(line MATCHES "^  +([^ ]+)$")
            math(EXPR count "${count} + 1")
            if(NOT CMAKE_MATCH_1 MATCHES "^DISABLED_" AND NOT suite MATCHES "^DISABLED_")
                math(EXPR enabled "${enabled} + 1")
            endif()
        elseif(line MATCHES "^([^ ]+)\\.$")
            if(NOT suite STREQUAL "")
                _kov_write_suite(script "${suite}" ${count} ${enabled})
            endif()
            set(suite "${CMAKE_MATCH_1}")
            set(count 0)
            set(enabled 0)
        endif()
    endforeach()
    if(NOT suite STREQUAL "")
        _kov_write_suite(script "${suite}" ${count} ${enabled})
    endif()
    # An executable without tests registers nothing; CTest's --no-tests=error then says so.
    file(WRITE "${KOV_DISCOVER_OUTPUT}.tmp" "${script}")
    file(RENAME "${KOV_DISCOVER_OUTPUT}.tmp" "${KOV_DISCOVER_OUTPUT}")
    set(listed TRUE PARENT_SCOPE)
endfunction()

# The list is made again whenever the executable, the including file or this script is newer.
if(NOT EXISTS "${KOV_DISCOVER_EXECUTABLE}")
    # Not built: an entry that fails and says so.
    add_test("${KOV_DISCOVER_TARGET}:NOT_BUILT" "${KOV_DISCOVER_TARGET}_NOT_BUILT")
elseif(EXISTS "${KOV_DISCOVER_OUTPUT}"
       AND "${KOV_DISCOVER_OUTPUT}" IS_NEWER_THAN "${KOV_DISCOVER_EXECUTABLE}"
       AND "${KOV_DISCOVER_OUTPUT}" IS_NEWER_THAN "${CMAKE_CURRENT_LIST_FILE}"
       AND "${KOV_DISCOVER_OUTPUT}" IS_NEWER_THAN "${CMAKE_PARENT_LIST_FILE}")
    include("${KOV_DISCOVER_OUTPUT}")
else()
    _kov_list_suites()
    if(listed)
        include("${KOV_DISCOVER_OUTPUT}")
    else()
        # An executable that cannot even list its tests fails as one entry that lists them
        # again, so its output shows why; nothing is kept, so the next run lists afresh.
        file(REMOVE "${KOV_DISCOVER_OUTPUT}")
        add_test("${KOV_DISCOVER_TARGET}:LIST" "${KOV_DISCOVER_EXECUTABLE}" --gtest_list_tests)
        set_tests_properties("${KOV_DISCOVER_TARGET}:LIST" PROPERTIES
            WORKING_DIRECTORY "${KOV_DISCOVER_WORKDIR}" TIMEOUT ${KOV_DISCOVER_TIMEOUT})
    endif()
endif()
