# effect-gallery: a contact sheet of the paint effects (a developer's tool,
# built with the project, not installed).
add_executable(effect-gallery ${CMAKE_CURRENT_LIST_DIR}/effect_gallery.cpp)
kelvra_target(effect-gallery)
target_link_libraries(effect-gallery PRIVATE kelvra_pictures Qt6::Gui)
