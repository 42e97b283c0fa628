# Image I/O, the paint-effect engine, text drawing and the picture view.
# Included by src/platform/CMakeLists.txt.
pkg_check_modules(MAGICKXX REQUIRED IMPORTED_TARGET GLOBAL Magick++)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET GLOBAL libjpeg)

list(APPEND PLATFORM_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/imageio.h
    ${CMAKE_CURRENT_LIST_DIR}/imageio.cpp
    ${CMAKE_CURRENT_LIST_DIR}/jpegdecoder.h
    ${CMAKE_CURRENT_LIST_DIR}/jpegdecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/magickdecoder.h
    ${CMAKE_CURRENT_LIST_DIR}/magickdecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transitions.h
    ${CMAKE_CURRENT_LIST_DIR}/transitions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textdraw.h
    ${CMAKE_CURRENT_LIST_DIR}/textdraw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictureview.h
    ${CMAKE_CURRENT_LIST_DIR}/pictureview.cpp
)
list(APPEND PLATFORM_PRIVATE_LIBS PkgConfig::MAGICKXX PkgConfig::LIBJPEG)

# The per-pixel select and blend loops of the paint effects only vectorise at
# -O3 with GCC 12 (about 4x faster than -O2 on a 1080p frame).
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/transitions.cpp
    PROPERTIES COMPILE_OPTIONS "-O3")
