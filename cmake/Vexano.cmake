# vexano_add_test(<name> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest executable registered with CTest; widget tests run offscreen.
# The simulated unit keeps its memory in the build tree, one file per test
# executable, never in the user's data folder.
function(vexano_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    # A temporary folder of its own: the program clears its leftover work
    # files at start, which must never touch those of a test running beside.
    set(tmp ${CMAKE_BINARY_DIR}/testtmp/${name})
    file(MAKE_DIRECTORY ${tmp})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TMPDIR=${tmp};SERQUARN_SIM_BAUD=0;SERQUARN_SIM_MEMORY=${CMAKE_BINARY_DIR}/simunit/${name}.mem"
        LABELS "${ARG_LABELS}"
        TIMEOUT 300)
endfunction()

# vexano_add_screen_test(<name> <test> <screen file> <filter>): the tests of
# an executable that vexano_add_test registered as <test>, those matching
# the GoogleTest filter, run again on the screens of an offscreen
# configuration file, with a temporary folder and unit memory of their own.
function(vexano_add_screen_test name test screen filter)
    add_test(NAME ${name} COMMAND ${test} --gtest_filter=${filter})
    get_test_property(${test} ENVIRONMENT environment)
    string(REPLACE "QT_QPA_PLATFORM=offscreen;" "" environment "${environment}")
    string(REPLACE "${test}" "${name}" environment "${environment}")
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testtmp/${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${screen};${environment}"
        TIMEOUT 300)
endfunction()

# vexano_add_module(<name> SOURCES ...): a run-time loaded library named as the
# program asks for it ("<name>.dll" resolves to "<name>.so" beside the program).
function(vexano_add_module name)
    cmake_parse_arguments(ARG "" "VERSION_SCRIPT" "SOURCES;LIBS" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    if(ARG_VERSION_SCRIPT)
        target_link_options(${name} PRIVATE "LINKER:--version-script=${ARG_VERSION_SCRIPT}")
        set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${ARG_VERSION_SCRIPT})
    endif()
endfunction()
