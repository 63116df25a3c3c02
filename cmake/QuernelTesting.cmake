include(GoogleTest)
find_package(GTest REQUIRED)

# quernel_add_test(<name> SOURCES ... [LIBS ...] [GUI])
# GUI tests get a main that creates a QApplication on the offscreen platform;
# the others use GoogleTest's own main.
function(quernel_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE quernel_test_gui_main)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${T_LIBS})
  target_compile_definitions(${name} PRIVATE
    QUERNEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUERNEL_PROGRAM_DIR="${QUERNEL_PROGRAM_DIR}")
  # The list of tests is only found again when the executable changes: a test whose filter no
  # longer matches anything (say, its data file went away) fails rather than passing empty.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES FAIL_REGULAR_EXPRESSION "Running 0 tests from"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
