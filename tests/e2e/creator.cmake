# The personalized saver from end to end: made from a saved list with
# --create-saver, checked with 7-Zip, installed, run, removed.
kelvra_e2e_test(creator_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/creator_e2e_test.cpp
    LIBS kelvra_store kelvra_pictures PROPERTIES TIMEOUT 240)
add_dependencies(creator_e2e_test kelvra-sfx vls-uninst)
