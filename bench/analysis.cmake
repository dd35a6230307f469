# Loudness analysis of a generated 60-minute mp3 beside ffmpeg's silencedetect
# on the same file, and the longest event-loop stall while the worker runs.
# Run by hand: bin/bench_analysis [runs]
add_executable(bench_analysis analysis/AnalysisBench.cpp)
target_link_libraries(bench_analysis PRIVATE qm_analysis qm_loudness)
target_compile_definitions(bench_analysis PRIVATE
  QM5_BENCH_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/analysis"
  QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
