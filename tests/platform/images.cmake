# Tests of the image I/O, the paint-effect engine, text drawing and the
# picture view. The unit ones feed broken and hostile files to the decoders
# and also run under the sanitizers.
kelvra_test(effects_test LABEL unit
    SOURCES effects_test.cpp
    LIBS kelvra_platform)

kelvra_test(imageio_test LABEL unit
    SOURCES imageio_test.cpp
    LIBS kelvra_platform PkgConfig::MAGICKXX PkgConfig::LIBTIFF)

kelvra_test(textdraw_test LABEL unit
    SOURCES textdraw_test.cpp
    LIBS kelvra_platform)

find_package(Qt6 REQUIRED COMPONENTS Test)
kelvra_test(pictureview_test LABEL widget
    SOURCES pictureview_test.cpp
    LIBS kelvra_platform Qt6::Test)

# The gallery tool is built by src/app (gallery.cmake).
if(TARGET effect-gallery)
    kelvra_test(effects_gallery_test LABEL widget
        SOURCES effects_gallery_test.cpp
        LIBS kelvra_platform)
    add_dependencies(effects_gallery_test effect-gallery)
endif()
