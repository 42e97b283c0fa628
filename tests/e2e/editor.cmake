# End-to-end tests of the editor window, included by CMakeLists.txt.
kelvra_e2e_test(editor_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_e2e_test.cpp
    LIBS kelvra_store kelvra_editor PROPERTIES TIMEOUT 90)

# The first start through scripts/run.sh, with the programs of this build.
kelvra_e2e_test(firststart_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/firststart_e2e_test.cpp
    LIBS kelvra_editor PROPERTIES TIMEOUT 120)
target_compile_definitions(firststart_e2e_test PRIVATE
    KELVRA_SOURCE_ROOT="${PROJECT_SOURCE_DIR}" KELVRA_BUILD_ROOT="${CMAKE_BINARY_DIR}")
add_dependencies(firststart_e2e_test kelvra-sample-show)
if(TARGET sample-clip)
    add_dependencies(firststart_e2e_test sample-clip)
endif()

kelvra_e2e_test(textsound_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/textsound_e2e_test.cpp
    LIBS kelvra_store kelvra_editor PROPERTIES TIMEOUT 120)
