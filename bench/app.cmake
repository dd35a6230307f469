add_executable(bench_tick app/TickBench.cpp)
target_link_libraries(bench_tick PRIVATE qm_program benchmark::benchmark)
target_compile_definitions(bench_tick PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

add_executable(bench_bare_mpv app/BareMpv.cpp)
target_link_libraries(bench_bare_mpv PRIVATE PkgConfig::MPV)

# The hour of Repeat and Auto Pause; run by app/soak.sh, outside the test suite.
add_executable(bench_soak app/Soak.cpp)
target_link_libraries(bench_soak PRIVATE qm_session)

# A block file near the size limit opened through the windows: memory and the
# longest stall, beside a small one. Run by hand: bin/bench_big_blockfile [MEDIA]
add_executable(bench_big_blockfile app/BigBlockFile.cpp)
target_link_libraries(bench_big_blockfile PRIVATE qm_program)
target_compile_definitions(bench_big_blockfile PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# The README's pictures: the windows in both languages, at the start size and
# enlarged, and a 16-minute lesson cut into 270 blocks with the block bar
# zoomed in. Run by hand: bin/bench_screenshots docs/screenshots
add_executable(bench_screenshots app/Screenshots.cpp)
target_link_libraries(bench_screenshots PRIVATE qm_program)
