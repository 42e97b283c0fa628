# Tests of the video view and the sound player. Sound goes to the null
# output, so nothing here needs a sound card.
kelvra_test(media_pure_test LABEL unit
    SOURCES media_pure_test.cpp media_testutil.h
    LIBS kelvra_platform
    PROPERTIES ENVIRONMENT "KELVRA_AUDIO=null")

kelvra_test(media_sound_test LABEL widget
    SOURCES media_sound_test.cpp media_testutil.h
    LIBS kelvra_platform
    PROPERTIES ENVIRONMENT "KELVRA_AUDIO=null" TIMEOUT 300)

kelvra_test(media_video_test LABEL widget
    SOURCES media_video_test.cpp media_testutil.h
    LIBS kelvra_platform
    PROPERTIES ENVIRONMENT "KELVRA_AUDIO=null" TIMEOUT 300)

# Starts its own Xvfb (see the test file), so it needs no fixture.
kelvra_test(media_video_e2e_test LABEL e2e
    SOURCES media_video_e2e_test.cpp media_testutil.h
    LIBS kelvra_platform
    PROPERTIES ENVIRONMENT "KELVRA_AUDIO=null" TIMEOUT 180)
