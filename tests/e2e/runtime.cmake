# End-to-end tests of the personalized saver's runtime, included by CMakeLists.txt.
kelvra_e2e_test(runtime_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_e2e_test.cpp
    LIBS kelvra_store kelvra_archive PROPERTIES TIMEOUT 180)
