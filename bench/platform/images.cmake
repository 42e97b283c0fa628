# Figures for the picture path (scripts/bench.sh runs everything in
# build/bench/): effect frames against a plain copy, JPEG decoding against
# djpeg.
add_executable(images_bench ${CMAKE_CURRENT_LIST_DIR}/images_bench.cpp)
kelvra_target(images_bench)
target_link_libraries(images_bench PRIVATE kelvra_platform Qt6::Gui)
set_target_properties(images_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
