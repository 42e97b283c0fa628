# Video view and sound player: libmpv for clips and sound files, FluidSynth
# for MIDI. Included by src/platform/CMakeLists.txt.
pkg_check_modules(MPV REQUIRED IMPORTED_TARGET GLOBAL mpv)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET GLOBAL fluidsynth)

list(APPEND PLATFORM_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/mcierror.h
    ${CMAKE_CURRENT_LIST_DIR}/mcicommand.h
    ${CMAKE_CURRENT_LIST_DIR}/soundplayer.h
    ${CMAKE_CURRENT_LIST_DIR}/videoview.h
    ${CMAKE_CURRENT_LIST_DIR}/mcicommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midifile.h
    ${CMAKE_CURRENT_LIST_DIR}/midifile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mpvclient.h
    ${CMAKE_CURRENT_LIST_DIR}/mpvclient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lazylibrary.h
    ${CMAKE_CURRENT_LIST_DIR}/mpvlazy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mpvsound.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fluidsynthmidi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fluidsynthlazy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/soundbackend.h
    ${CMAKE_CURRENT_LIST_DIR}/soundbackend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/soundplayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/videoview.cpp
)
# libmpv and FluidSynth are opened on first use (mpvlazy.cpp,
# fluidsynthlazy.cpp): only their headers are needed here, so that a start
# that plays nothing does not load FFmpeg or the audio drivers.
add_library(kelvra_media_headers INTERFACE)
target_include_directories(kelvra_media_headers INTERFACE ${MPV_INCLUDE_DIRS}
                                                          ${FLUIDSYNTH_INCLUDE_DIRS})
target_compile_options(kelvra_media_headers INTERFACE ${MPV_CFLAGS_OTHER}
                                                      ${FLUIDSYNTH_CFLAGS_OTHER})
list(APPEND PLATFORM_PRIVATE_LIBS kelvra_media_headers ${CMAKE_DL_LIBS})
