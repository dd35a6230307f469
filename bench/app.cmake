add_executable(bench_tick app/TickBench.cpp)
target_link_libraries(bench_tick PRIVATE qm_windows benchmark::benchmark)
target_compile_definitions(bench_tick PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

add_executable(bench_bare_mpv app/BareMpv.cpp)
target_link_libraries(bench_bare_mpv PRIVATE PkgConfig::MPV)

# The hour of Repeat and Auto Pause; run by app/soak.sh, outside the test suite.
add_executable(bench_soak app/Soak.cpp)
target_link_libraries(bench_soak PRIVATE qm_session)
