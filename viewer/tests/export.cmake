# Tests of the export of converted tiles: the click with a scripted save
# dialog and recorded message boxes. They run twice: over the core as built,
# and over the export and the rearrangement compiled as a build without SSE2
# (the 32-bit Windows program) compiles them.
add_executable(export_tests ${CMAKE_CURRENT_LIST_DIR}/export_click_test.cpp)
target_link_libraries(export_tests PRIVATE tilebridge_core)
add_executable(portable_export_tests ${CMAKE_CURRENT_LIST_DIR}/export_click_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/../core/export_converted.cpp ${CMAKE_CURRENT_LIST_DIR}/../core/tile_conversion.cpp
               ${CMAKE_CURRENT_LIST_DIR}/../core/whole_file.cpp)
target_include_directories(portable_export_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core)
target_compile_options(portable_export_tests PRIVATE -U__SSE2__)
foreach(tests IN ITEMS export_tests portable_export_tests)
    target_include_directories(${tests} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../testing)
    target_link_libraries(${tests} PRIVATE platform platform_testing GTest::gtest_main)
    target_compile_definitions(${tests} PRIVATE TILEBRIDGE_TESTDATA="${TILEBRIDGE_TESTDATA}")
endforeach()
gtest_discover_tests(export_tests)
gtest_discover_tests(portable_export_tests TEST_PREFIX portable.)
