# Image I/O, the paint-effect engine, text drawing and the picture view.
# Included by src/platform/CMakeLists.txt.
pkg_check_modules(MAGICKXX REQUIRED IMPORTED_TARGET GLOBAL Magick++)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET GLOBAL libjpeg)
# Only to keep ImageMagick's process-wide libtiff handlers away from Qt's
# TIFF plugin (see magickdecoder.cpp).
pkg_check_modules(LIBTIFF REQUIRED IMPORTED_TARGET GLOBAL libtiff-4)

list(APPEND PLATFORM_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/imageio.h
    ${CMAKE_CURRENT_LIST_DIR}/imageio.cpp
    ${CMAKE_CURRENT_LIST_DIR}/imageio_checks.h
    ${CMAKE_CURRENT_LIST_DIR}/imageio_checks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/jpegdecoder.h
    ${CMAKE_CURRENT_LIST_DIR}/jpegdecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/magickdecoder.h
    ${CMAKE_CURRENT_LIST_DIR}/magickdecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transitions.h
    ${CMAKE_CURRENT_LIST_DIR}/transitions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textdraw.h
    ${CMAKE_CURRENT_LIST_DIR}/samplepictures.h
    ${CMAKE_CURRENT_LIST_DIR}/samplepictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/textdraw.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictureview.h
    ${CMAKE_CURRENT_LIST_DIR}/pictureview.cpp
)
list(APPEND PLATFORM_PRIVATE_LIBS PkgConfig::MAGICKXX PkgConfig::LIBJPEG PkgConfig::LIBTIFF)

# The per-pixel select and blend loops of the paint effects only vectorise at
# -O3 with GCC 12 (about 4x faster than -O2 on a 1080p frame).
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/transitions.cpp
    PROPERTIES COMPILE_OPTIONS "-O3")
