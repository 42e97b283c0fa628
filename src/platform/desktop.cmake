# Desktop integration: X11 window embedding (preview and XScreenSaver hosts).
pkg_check_modules(KELVRA_XCB REQUIRED IMPORTED_TARGET xcb)
list(APPEND PLATFORM_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/x11embed.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/x11embed.h)
list(APPEND PLATFORM_PRIVATE_LIBS PkgConfig::KELVRA_XCB)
