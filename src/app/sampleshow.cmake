# kelvra-sample-show: the sample show of a first start (scripts/run.sh runs
# it), and the short clip it includes, made here when ffmpeg is at hand.
add_executable(kelvra-sample-show ${CMAKE_CURRENT_LIST_DIR}/make_sample_show.cpp)
kelvra_target(kelvra-sample-show)
target_link_libraries(kelvra-sample-show PRIVATE kelvra_editor Qt6::Gui)

find_program(KELVRA_FFMPEG ffmpeg)
if(KELVRA_FFMPEG)
    # Six seconds of slowly turning colour bands as MPEG-2, a clip type
    # every part of the show knows; cheap to make (about a second).
    set(sample_clip ${CMAKE_BINARY_DIR}/share/sample-clip.mpg)
    add_custom_command(OUTPUT ${sample_clip}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share
        COMMAND ${KELVRA_FFMPEG} -v error -y -f lavfi
                -i gradients=size=640x360:rate=25:duration=6:speed=0.03:nb_colors=4:c0=0x1e50a0:c1=0xf0a030:c2=0x30a060:c3=0xc03070:seed=7
                -c:v mpeg2video -q:v 5 -pix_fmt yuv420p ${sample_clip}
        COMMENT "Making the sample clip"
        VERBATIM)
    add_custom_target(sample-clip ALL DEPENDS ${sample_clip})
endif()
