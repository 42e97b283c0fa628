# The video view drawing on the fixture's display, included by CMakeLists.txt.
kelvra_e2e_test(media_video_e2e_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/media_video_e2e_test.cpp
    LIBS kelvra_media PROPERTIES TIMEOUT 180)
