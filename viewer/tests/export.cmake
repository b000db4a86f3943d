# Tests of the export of converted tiles: the click with a scripted save
# dialog and recorded message boxes.
add_executable(export_tests ${CMAKE_CURRENT_LIST_DIR}/export_click_test.cpp)
target_include_directories(export_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core ${CMAKE_CURRENT_LIST_DIR}/../testing)
target_link_libraries(export_tests PRIVATE tilebridge_core platform platform_testing GTest::gtest_main)
target_compile_definitions(export_tests PRIVATE TILEBRIDGE_TESTDATA="${TILEBRIDGE_TESTDATA}")
gtest_discover_tests(export_tests)
