# Video and sound figures: a program that prints them (scripts/bench.sh runs
# every program in <build>/bench).
add_executable(media_bench media_bench.cpp)
kelvra_target(media_bench)
target_link_libraries(media_bench PRIVATE kelvra_platform Qt6::Widgets)
set_target_properties(media_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
