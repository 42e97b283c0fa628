# End-to-end tests of the editor window, included by CMakeLists.txt.
kelvra_e2e_test(editor_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_e2e_test.cpp
    LIBS kelvra_store kelvra_editor PROPERTIES TIMEOUT 90)
