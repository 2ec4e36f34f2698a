# The engine's test suites cross-built and run under Wine by ctest (the toolchain's emulator), one
# process per suite. GoogleTest is built from Debian's sources.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(tools/voicefile)
add_library(brelvox_test_support STATIC
  tests/support/recording_site.cpp
  tests/support/test_voices.cpp
  tests/support/grammar_files.cpp
  tests/support/text_grammar.cpp
  tests/support/temp_files.cpp)
target_include_directories(brelvox_test_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(brelvox_test_support PUBLIC brelvox_core brelvox_voicefile)
brelvox_warnings(brelvox_test_support)

function(brelvox_windows_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  brelvox_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS windows TIMEOUT 300 RESOURCE_LOCK wineprefix)
endfunction()

set(core_tests ${PROJECT_SOURCE_DIR}/tests/engine/core)
brelvox_windows_test(engine_core_test
  SOURCES
    ${core_tests}/dyn_array_test.cpp
    ${core_tests}/sound/voice_inventory_test.cpp
    ${core_tests}/sound/overlap_add_test.cpp
    ${core_tests}/sound/portable_trig_test.cpp
    ${core_tests}/sound/unit_renderer_test.cpp
    ${core_tests}/sound/synthesis_state_test.cpp
    ${core_tests}/text/grammar_test.cpp
    ${core_tests}/text/speech_marks_test.cpp
    ${core_tests}/synthesize_test.cpp
  LIBS brelvox_test_support brelvox_core)

brelvox_windows_test(platform_test
  SOURCES ${PROJECT_SOURCE_DIR}/tests/platform/windows/structured_exception_test.cpp
  LIBS brelvox_platform_base)

set(sapi_tests ${PROJECT_SOURCE_DIR}/tests/engine/sapi)
brelvox_windows_test(engine_sapi_test
  SOURCES
    ${sapi_tests}/engine_fixture.cpp
    ${sapi_tests}/engine_object_test.cpp
    ${sapi_tests}/server_test.cpp
    ${sapi_tests}/text_fragments_test.cpp
    ${PROJECT_SOURCE_DIR}/engine/sapi/text_fragments.cpp
    ${PROJECT_SOURCE_DIR}/engine/sapi/site_adapter.cpp
  LIBS brelvox_platform brelvox_test_support brelvox_core)
target_compile_definitions(engine_sapi_test PRIVATE
  BRELVOX_LIBRARY="$<TARGET_FILE:BRELVOX>"
  BRELVOX_FAULTING_LIBRARY="$<TARGET_FILE:BRELVOX_faulting>")
add_dependencies(engine_sapi_test BRELVOX BRELVOX_faulting)
