# Open latency of the media player control: load to length known, for a
# generated 60-minute mp3, beside ffprobe's time for the same file.
# Run by hand: bin/bench_media_open [runs]
add_executable(bench_media_open media/OpenLatency.cpp)
target_link_libraries(bench_media_open PRIVATE qm_media Qt6::Widgets)
target_compile_definitions(bench_media_open PRIVATE
  QM5_BENCH_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/media")
