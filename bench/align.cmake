# Alignment of scripts with generated lessons (known sentence times) and with
# real read speech, and the command line's time and memory for an hour.
# Run by hand: bin/bench_align [SEEDS] [--no-hour]
add_executable(bench_align align/AlignBench.cpp)
target_link_libraries(bench_align PRIVATE qm_align qm_blockfile qm_files qm_text)
target_compile_definitions(bench_align PRIVATE
  QM5_BENCH_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/align"
  QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  QM5_PROGRAM="$<TARGET_FILE:qm5>")
add_dependencies(bench_align qm5 qm5_align)

# The event loop's longest stall while the session aligns a script, beside the
# same loop idle. Run by hand: bin/bench_align_stall [SEED]
add_executable(bench_align_stall align/AlignStall.cpp)
target_link_libraries(bench_align_stall PRIVATE qm_session Qt6::Gui)
target_compile_definitions(bench_align_stall PRIVATE
  QM5_BENCH_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/align"
  QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
