# Export of a generated 60-minute lesson of 300 blocks to an Anki package:
# seconds and peak memory beside the time ffmpeg takes to decode the same media.
# Run by hand: bin/bench_anki
add_executable(bench_anki anki/AnkiBench.cpp)
target_link_libraries(bench_anki PRIVATE qm_anki)
target_compile_definitions(bench_anki PRIVATE QM5_BENCH_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/anki")
