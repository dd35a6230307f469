add_executable(bench_blockfile blockfile/BlockFileBench.cpp)
target_link_libraries(bench_blockfile PRIVATE qm_blockfile qm_files benchmark::benchmark)
# The encoder as it was, the yardstick of the fast one, lives with its tests.
