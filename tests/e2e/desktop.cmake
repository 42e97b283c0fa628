# End-to-end tests of the desktop commands, included by CMakeLists.txt. The
# XScreenSaver test runs the daemon for up to half a minute.
kelvra_e2e_test(desktop_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_e2e_test.cpp
    LIBS kelvra_store kelvra_editor kelvra_desktop PROPERTIES TIMEOUT 150)
