# End-to-end tests of the show (both programs), included by CMakeLists.txt.
pkg_check_modules(KELVRA_SHOW_XFIXES REQUIRED IMPORTED_TARGET x11 xfixes)
add_executable(kelvra_e2e_show_cursor ${CMAKE_CURRENT_LIST_DIR}/show_cursor.c)
target_link_libraries(kelvra_e2e_show_cursor PRIVATE PkgConfig::KELVRA_SHOW_XFIXES)
set_target_properties(kelvra_e2e_show_cursor PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

kelvra_e2e_test(show_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/show_e2e_test.cpp
    LIBS kelvra_store kelvra_archive PROPERTIES TIMEOUT 120)
add_dependencies(show_e2e_test kelvra_e2e_show_cursor)

# Its own X server with two monitors (see the test); it still takes the
# shared screen's lock, since its programs share the user's show claim.
kelvra_e2e_test(show_screens_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/show_screens_e2e_test.cpp
    LIBS kelvra_store PROPERTIES TIMEOUT 120)
