# One library per folder: every *.cpp in the folder or its subfolders (tests/
# and testing/ apart) is a source of the library, every tests/*.cpp a source
# of its test program. New files are picked
# up without editing any CMakeLists.txt.
#
# varneta_library(<name> [QT] [DEPS <targets>...] [TEST_DEPS <targets>...])
#   builds the static library varneta_<name> from the folder's sources and, when
#   tests/ holds sources, the test program <name>_tests registered with ctest.
#   QT turns on moc and links the Qt test main (QApplication, offscreen);
#   other test programs link the plain test main.
function(varneta_library name)
  cmake_parse_arguments(ARG "QT" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "(^|/)(tests|testing)/")
  list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  set(target varneta_${name})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  if(ARG_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()

  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(test_sources)
    set(test_target ${name}_tests)
    add_executable(${test_target} ${test_sources})
    if(ARG_QT)
      set_target_properties(${test_target} PROPERTIES AUTOMOC ON)
      set(test_main varneta_ui_test_main)
    else()
      set(test_main varneta_test_main)
    endif()
    target_link_libraries(${test_target} PRIVATE ${target} ${ARG_TEST_DEPS} ${test_main} GTest::gmock)
    # Test data lie beside the tests; the folder is given whole, since
    # __FILE__ may be relative (compiler launchers rewrite paths).
    target_compile_definitions(${test_target} PRIVATE VARNETA_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests")
    varneta_discover_tests(${test_target})
  endif()
endfunction()

# Registers every GoogleTest case of a test program with ctest, with the
# environment every test runs in (no display; the test mains fix the time
# zone, the folders and the clock).
function(varneta_discover_tests test_target)
  gtest_discover_tests(${test_target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
