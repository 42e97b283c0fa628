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
    ${CMAKE_CURRENT_LIST_DIR}/mpvlazy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mpvsound.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fluidsynthmidi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/soundbackend.h
    ${CMAKE_CURRENT_LIST_DIR}/soundbackend.cpp
    ${CMAKE_CURRENT_LIST_DIR}/soundplayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/videoview.cpp
)
# libmpv is opened on first use (mpvlazy.cpp): only its headers are needed
# here, so that a start that plays nothing does not load FFmpeg.
add_library(kelvra_mpv_headers INTERFACE)
target_include_directories(kelvra_mpv_headers INTERFACE ${MPV_INCLUDE_DIRS})
target_compile_options(kelvra_mpv_headers INTERFACE ${MPV_CFLAGS_OTHER})
list(APPEND PLATFORM_PRIVATE_LIBS kelvra_mpv_headers PkgConfig::FLUIDSYNTH ${CMAKE_DL_LIBS})
