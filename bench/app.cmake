add_executable(bench_tick app/TickBench.cpp)
target_link_libraries(bench_tick PRIVATE qm_windows benchmark::benchmark)
target_compile_definitions(bench_tick PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

add_executable(bench_bare_mpv app/BareMpv.cpp)
target_link_libraries(bench_bare_mpv PRIVATE PkgConfig::MPV)
