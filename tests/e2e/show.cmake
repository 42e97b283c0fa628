# End-to-end tests of the show (both programs), included by CMakeLists.txt.
kelvra_e2e_test(show_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/show_e2e_test.cpp
    LIBS kelvra_store PROPERTIES TIMEOUT 120)
