# Tests of the export of converted tiles: the click with a scripted save
# dialog and recorded message boxes.
add_executable(export_tests ${CMAKE_CURRENT_LIST_DIR}/export_click_test.cpp)
target_include_directories(export_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core ${CMAKE_CURRENT_LIST_DIR}/../testing)
target_link_libraries(export_tests PRIVATE tilebridge_core platform platform_testing GTest::gtest_main)
target_compile_definitions(export_tests PRIVATE TILEBRIDGE_TESTDATA="${TILEBRIDGE_TESTDATA}")
gtest_discover_tests(export_tests)

# The rearrangement once more, compiled as a build without SSE2 (the 32-bit
# Windows program) compiles it.
add_executable(portable_tile_conversion_tests ${CMAKE_CURRENT_LIST_DIR}/portable_tile_conversion_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/../core/tile_conversion.cpp)
target_include_directories(portable_tile_conversion_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core)
target_compile_options(portable_tile_conversion_tests PRIVATE -U__SSE2__)
target_compile_definitions(portable_tile_conversion_tests PRIVATE TILEBRIDGE_TESTDATA="${TILEBRIDGE_TESTDATA}")
target_link_libraries(portable_tile_conversion_tests PRIVATE GTest::gtest_main)
gtest_discover_tests(portable_tile_conversion_tests)
